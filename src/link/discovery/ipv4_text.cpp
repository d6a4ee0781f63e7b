#include "link/discovery/ipv4_text.h"

namespace orbo {

std::optional<Ipv4Octets> ParseIpv4(std::string_view text) {
  Ipv4Octets out{};
  size_t pos = 0;
  for (int part = 0; part < 4; ++part) {
    if (part > 0) {
      if (pos >= text.size() || text[pos] != '.') return std::nullopt;
      ++pos;
    }
    int value = 0;
    size_t digits = 0;
    while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9' && digits < 4) {
      value = value * 10 + (text[pos] - '0');
      ++pos;
      ++digits;
    }
    if (digits == 0 || digits > 3 || value > 255) return std::nullopt;
    out[static_cast<size_t>(part)] = static_cast<uint8_t>(value);
  }
  if (pos != text.size()) return std::nullopt;
  return out;
}

std::string FormatIpv4(const Ipv4Octets& octets) {
  return std::to_string(octets[0]) + "." + std::to_string(octets[1]) + "." +
         std::to_string(octets[2]) + "." + std::to_string(octets[3]);
}

std::string HostInNetwork(const Ipv4Octets& network, int host) {
  return std::to_string(network[0]) + "." + std::to_string(network[1]) + "." +
         std::to_string(network[2]) + "." + std::to_string(host);
}

}  // namespace orbo
