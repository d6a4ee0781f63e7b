// One box action of orbo-cli ("box ident", "box time", ...) against one
// box, built on the operations the page uses. Both "box" and "batch" run
// actions through here; each run has its own link, page and answers, so
// runs on several threads share nothing they write.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "cli/json_line.h"
#include "cli/verb.h"
#include "link/box_link.h"

namespace orbo::cli {

// Where the box is: TCP host and port, or the USB box (through the
// simulator's report socket when usbSim is set).
struct BoxTarget {
  bool usb = false;
  std::string host;
  int port = kBoxPort;
  std::string usbSim;
};

// The action and its operands, e.g. {"config", {"send", "setup.xml"}}.
struct BoxRequest {
  std::string action;
  std::vector<std::string> operands;
  std::string password;  // fetch and config fetch
  std::string zone;      // time: the zone name; empty: the computer's zone
  bool yes = false;      // answer Yes to the questions an action asks
};

// The actions with their operands, for usage texts.
extern const char kBoxActionsUsage[];

// Takes --password, --zone and --yes out of args and reads the action and
// its operands. nullopt with *error set for bad usage.
std::optional<BoxRequest> ParseBoxRequest(Args args, std::string* error);

// What happens while an action runs, besides its result. Called on the
// thread that runs the action.
class BoxEvents {
 public:
  virtual ~BoxEvents() = default;
  // A log line of the operation, as the page would show it (raw text:
  // callers make it visible before printing it on a terminal).
  virtual void Log(const std::string& text) = 0;
  // Bytes moved so far of a large transfer or a firmware image.
  virtual void Progress(uint64_t done, uint64_t total) = 0;
};

struct BoxActionResult {
  int exitCode = 0;                  // 0 success, 1 the operation failed
  std::string error;                 // why it failed, for people
  JsonPtr fields = NewJsonObject();  // what the action found, e.g. "type", "serial"
};

// Connects to target and runs request. Never throws; the link is bounded
// by its own waits.
BoxActionResult RunBoxAction(const BoxTarget& target, const BoxRequest& request,
                             const std::filesystem::path& app_dir, BoxEvents& events);

}  // namespace orbo::cli
