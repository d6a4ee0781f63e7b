#include "support/loopback_address.h"

#include <unistd.h>

#include <atomic>

namespace orbo::test {

std::string UniqueLoopbackAddress() {
  static std::atomic<int> counter{0};
  const int n = counter++;
  const int pid = static_cast<int>(::getpid());
  const int b = 130 + pid % 100;
  const int c = (pid / 100 + n / 250) % 256;
  const int d = 1 + n % 250;
  return "127." + std::to_string(b) + "." + std::to_string(c) + "." + std::to_string(d);
}

std::string PickLoopbackAddress(const std::function<bool(const std::string&)>& use, int attempts) {
  for (int i = 0; i < attempts; ++i) {
    std::string address = UniqueLoopbackAddress();
    if (use(address)) return address;
  }
  return std::string();
}

}  // namespace orbo::test
