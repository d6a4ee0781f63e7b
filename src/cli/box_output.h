// How "box" shows one action: log lines and a progress bar on a terminal,
// or JSON lines with --json.
#pragma once

#include <string>

#include "cli/box_action.h"

namespace orbo::cli {

// Prints events as they come: with json, {"progress":{"done":D,"total":T}}
// lines (log lines are kept for the result); without, each log line with
// control characters shown visibly, and a progress bar when stdout is a
// terminal.
class BoxPrinter : public BoxEvents {
 public:
  explicit BoxPrinter(bool json);
  void Log(const std::string& text) override;
  void Progress(uint64_t done, uint64_t total) override;

  // Prints the result: with json one object {"box":..., "action":...,
  // "ok":..., "exit":..., "error":..., "log":[...], fields...}; without,
  // the fields as "name: value" lines and the error on stderr.
  void Result(const std::string& box, const std::string& action, const BoxActionResult& result);

 private:
  const bool json_;
  const bool terminal_;
  bool barShown_ = false;
  JsonPtr log_;
};

// The result object printed for one box (also batch's line).
JsonPtr ResultObject(const std::string& box, const std::string& action,
                     const BoxActionResult& result, const cJSON* log);

// Parses --host/--port/--usb/--usb-sim out of args; false with *error set
// for bad usage.
bool TakeBoxTarget(Args* args, BoxTarget* target, std::string* error);

}  // namespace orbo::cli
