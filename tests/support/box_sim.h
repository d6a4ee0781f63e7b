// Runs orbo-boxsim for one test on a loopback address of its own, with its
// USB report socket, event log and received files in the test's folder.
// The simulator is stopped when the object goes; Restart brings a
// (possibly differently configured) box back on the same address.
#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "support/child_process.h"

namespace orbo::test {

// How BoxSim starts the simulator.
struct BoxSimOptions {
  std::vector<std::string> args = {};     // more simulator flags (faults, --reset-ms, --profile)
  std::string profileJson = {};           // when given: written to the folder and loaded
  bool udp = true;                        // answer discovery on UDP 8767 of the address
  std::string address = {};               // listen here instead of on a picked 127.x.y.z
  std::vector<std::string> wrapper = {};  // runs the simulator (e.g. "ip netns exec NS")
};

class BoxSim {
 public:
  using Options = BoxSimOptions;

  // Picks a free 127.x.y.z (or takes options.address) and starts the
  // simulator there; ready() tells whether its readiness line came.
  explicit BoxSim(const std::filesystem::path& dir, Options options = {});
  ~BoxSim();
  BoxSim(const BoxSim&) = delete;
  BoxSim& operator=(const BoxSim&) = delete;

  bool ready() const { return ready_; }
  const std::string& address() const { return address_; }
  const std::string& usb_path() const { return usb_path_; }
  const std::filesystem::path& store_dir() const { return store_dir_; }

  // Waits up to timeoutMs for one more readiness line (after a reset).
  bool WaitReady(int timeoutMs) { return WaitLine("orbo-boxsim ready", timeoutMs); }
  // Waits up to timeoutMs for a line on its standard output starting with
  // prefix; lines before it are passed over.
  bool WaitLine(const std::string& prefix, int timeoutMs);

  // Stops the simulator (ready() becomes false).
  void Stop();
  // Starts it again on the same address and socket, with args in place of
  // the flags it had (a profile given as profileJson stays). True when it
  // came up.
  bool Restart(std::vector<std::string> args);

  // Each event log line as a JSON text; commands are {"transport","command"}.
  std::vector<std::string> LogLines() const;
  // The "command" fields of the event log, in order.
  std::vector<std::string> Commands() const;

 private:
  bool Start();

  std::filesystem::path dir_;
  std::filesystem::path log_path_;
  std::filesystem::path store_dir_;
  std::string usb_path_;
  std::string address_;
  std::vector<std::string> args_;
  std::string profile_path_;
  bool udp_ = true;
  std::vector<std::string> wrapper_;
  std::unique_ptr<ChildProcess> process_;
  bool ready_ = false;
};

}  // namespace orbo::test
