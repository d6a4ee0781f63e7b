// Runs orbo-boxsim for one test on a loopback address of its own and waits
// for its readiness line; the simulator is stopped when the object goes.
#pragma once

#include <sys/types.h>

#include <filesystem>
#include <string>
#include <vector>

namespace orbo::test {

class BoxSim {
 public:
  // extra: more command-line arguments (profile, faults). Starts with
  // USB report socket and TCP on a fresh 127.x.y.z; ready() tells whether
  // the readiness line came.
  explicit BoxSim(const std::filesystem::path& work_dir, std::vector<std::string> extra = {},
                  const std::string& profile_json = {});
  ~BoxSim();
  BoxSim(const BoxSim&) = delete;
  BoxSim& operator=(const BoxSim&) = delete;

  bool ready() const { return ready_; }
  const std::string& address() const { return address_; }
  const std::string& usb_path() const { return usb_path_; }
  const std::filesystem::path& store_dir() const { return store_dir_; }
  // Waits up to timeout_ms for one more readiness line (after a reset).
  bool WaitReady(int timeout_ms) { return WaitLine("orbo-boxsim ready", timeout_ms); }
  // Waits up to timeout_ms for a stdout line starting with prefix; lines
  // before it are skipped.
  bool WaitLine(const std::string& prefix, int timeout_ms);
  // Each logged line as a JSON text; commands are {"transport","command"}.
  std::vector<std::string> LogLines() const;
  // The "command" fields of the log, in order.
  std::vector<std::string> Commands() const;

 private:
  bool Start(const std::vector<std::string>& args);
  void Stop();

  std::filesystem::path dir_;
  std::filesystem::path log_path_;
  std::filesystem::path store_dir_;
  std::string address_;
  std::string usb_path_;
  pid_t pid_ = -1;
  int out_fd_ = -1;
  std::string out_buffer_;
  bool ready_ = false;
};

// A loopback address no other test of this process uses: 127.b.c.d from
// the pid and a counter.
std::string UniqueLoopbackAddress();

}  // namespace orbo::test
