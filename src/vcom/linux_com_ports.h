// ComPorts on Linux. The numbers in use are the port service's links in
// the ports folder plus the system's serial devices, mapped to COM numbers:
//   ttyS<k>   -> COM<k+1>   (only ports with a UART behind them)
//   ttyUSB<k> -> COM<k+33>
//   ttyACM<k> -> COM<k+65>
// A port is present when its link in the ports folder leads to a terminal
// that exists, or a device maps to its number.
#pragma once

#include <filesystem>

#include "vcom/com_ports.h"

namespace orbo::vcom {

class LinuxComPorts : public ComPorts {
 public:
  // devDir and ttyClassDir are /dev and /sys/class/tty outside tests.
  explicit LinuxComPorts(std::filesystem::path portsDir, std::filesystem::path devDir = "/dev",
                         std::filesystem::path ttyClassDir = "/sys/class/tty");
  std::vector<int> ListUsedComNumbers() override;
  bool IsComPortPresent(const std::string& name) override;

 private:
  std::vector<int> DeviceNumbers() const;

  const std::filesystem::path portsDir_;
  const std::filesystem::path devDir_;
  const std::filesystem::path ttyClassDir_;
};

}  // namespace orbo::vcom
