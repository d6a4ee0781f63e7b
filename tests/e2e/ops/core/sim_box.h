// Runs orbo-boxsim for one test on a loopback address of the test's own,
// with its event log in the test's folder. Stop and Start again bring a
// (possibly differently configured) box back on the same address.
#pragma once

#include <sys/types.h>

#include <filesystem>
#include <string>
#include <vector>

namespace orbo::test {

class SimBox {
 public:
  // Picks a free 127.x.y.z and starts the simulator with TCP there (no UDP)
  // and the USB report socket in dir; ready() tells whether it came up.
  SimBox(const std::filesystem::path& dir, std::vector<std::string> extra = {});
  ~SimBox() { Stop(); }
  SimBox(const SimBox&) = delete;
  SimBox& operator=(const SimBox&) = delete;

  bool ready() const { return ready_; }
  const std::string& address() const { return address_; }
  const std::string& usbPath() const { return usbPath_; }

  void Stop();
  // Starts again on the same address and socket with other arguments.
  bool Restart(std::vector<std::string> extra);
  // The "command" fields of the event log, in order.
  std::vector<std::string> Commands() const;

 private:
  bool Start(const std::vector<std::string>& extra);

  std::filesystem::path dir_;
  std::string address_;
  std::string usbPath_;
  pid_t pid_ = -1;
  bool ready_ = false;
};

}  // namespace orbo::test
