// Name resolution for addresses the pages give.
#pragma once

#include <optional>
#include <string>

namespace orbo {

// The first address host resolves to (IPv4 or IPv6), as text ("192.0.2.1",
// "fe80::1"); nullopt when it does not resolve. Blocks while the system
// resolver works.
std::optional<std::string> ResolveHostAddress(const std::string& host);

}  // namespace orbo
