// Where discovery learns the PC's own IPv4 addresses. The system source reads
// the interfaces; tests pass a fixed list so they never touch real networks.
#pragma once

#include <string>
#include <vector>

namespace orbo {

class LocalAddressSource {
 public:
  virtual ~LocalAddressSource() = default;
  // Dotted IPv4 addresses in a stable order.
  virtual std::vector<std::string> Ipv4Addresses() = 0;
};

// The host's IPv4 interface addresses (getifaddrs), loopback excluded.
class SystemAddressSource : public LocalAddressSource {
 public:
  std::vector<std::string> Ipv4Addresses() override;
};

class FixedAddressSource : public LocalAddressSource {
 public:
  explicit FixedAddressSource(std::vector<std::string> addresses)
      : addresses_(std::move(addresses)) {}
  std::vector<std::string> Ipv4Addresses() override { return addresses_; }

 private:
  std::vector<std::string> addresses_;
};

}  // namespace orbo
