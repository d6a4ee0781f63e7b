// A connection's traffic counters as the port service reports them, for
// the settings dialog.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace orbo::vcom {

class SecClient;

struct PortTraffic {
  uint64_t toNetwork = 0;
  uint64_t fromNetwork = 0;
  uint64_t dropped = 0;
  uint64_t reconnects = 0;
};

// The counters of the connection named name while it is in service.
// client opens its own link and closes it again; nullopt when the service
// does not answer or has no such connection in service.
std::optional<PortTraffic> ReadPortTraffic(SecClient& client, const std::string& name);

}  // namespace orbo::vcom
