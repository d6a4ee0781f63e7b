// Dotted IPv4 text as discovery reads and writes it.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace orbo {

using Ipv4Octets = std::array<uint8_t, 4>;

// Parses exactly four decimal numbers 0..255 (1 to 3 digits each) separated
// by '.', with nothing before or after. Returns nullopt for anything else
// (host names, signs, spaces, missing or extra parts).
std::optional<Ipv4Octets> ParseIpv4(std::string_view text);

// "a.b.c.d" for the given octets.
std::string FormatIpv4(const Ipv4Octets& octets);

// "a.b.c.h": host h of the /24 network holding the given address.
std::string HostInNetwork(const Ipv4Octets& network, int host);

}  // namespace orbo
