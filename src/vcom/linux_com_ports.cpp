#include "vcom/linux_com_ports.h"

#include <algorithm>
#include <fstream>

namespace orbo::vcom {
namespace {

struct DeviceFamily {
  const char* prefix;
  int firstCom;
};
constexpr DeviceFamily kFamilies[] = {{"ttyS", 1}, {"ttyUSB", 33}, {"ttyACM", 65}};

}  // namespace

LinuxComPorts::LinuxComPorts(std::filesystem::path portsDir, std::filesystem::path devDir,
                             std::filesystem::path ttyClassDir)
    : portsDir_(std::move(portsDir)),
      devDir_(std::move(devDir)),
      ttyClassDir_(std::move(ttyClassDir)) {}

std::vector<int> LinuxComPorts::DeviceNumbers() const {
  std::vector<int> numbers;
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(devDir_, ec)) {
    const std::string name = entry.path().filename().string();
    for (const auto& family : kFamilies) {
      const std::string prefix = family.prefix;
      if (name.rfind(prefix, 0) != 0 || name.size() == prefix.size() ||
          name.size() > prefix.size() + 3)
        continue;
      if (!std::all_of(name.begin() + static_cast<long>(prefix.size()), name.end(), ::isdigit))
        continue;
      // The kernel makes ttyS nodes whether or not a UART is there; its
      // "type" is 0 when none is.
      if (prefix == "ttyS") {
        std::ifstream type(ttyClassDir_ / name / "type");
        int t = 0;
        if (!(type >> t) || t == 0) continue;
      }
      const int n = std::stoi(name.substr(prefix.size())) + family.firstCom;
      if (n <= 255) numbers.push_back(n);
    }
  }
  return numbers;
}

std::vector<int> LinuxComPorts::ListUsedComNumbers() {
  std::vector<int> numbers = DeviceNumbers();
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(portsDir_, ec)) {
    if (auto n = ComNumber(entry.path().filename().string())) numbers.push_back(*n);
  }
  return numbers;
}

bool LinuxComPorts::IsComPortPresent(const std::string& name) {
  auto n = ComNumber(name);
  if (!n) return false;
  std::error_code ec;
  if (std::filesystem::exists(portsDir_ / name, ec)) return true;  // follows the link
  const std::vector<int> devices = DeviceNumbers();
  return std::find(devices.begin(), devices.end(), *n) != devices.end();
}

}  // namespace orbo::vcom
