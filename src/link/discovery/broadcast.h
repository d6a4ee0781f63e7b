// The UDP broadcast: ask every box on one local network for its name and list
// the addresses that answer.
#pragma once

#include <string>

#include "link/discovery/discovery_list.h"
#include "link/discovery/discovery_options.h"

namespace orbo {

// Broadcasts the 12 bytes "GetHostName\r" to a.b.c.255 of localAddress from a
// UDP socket bound to any address on options.broadcastPort, then collects
// replies until none came for options.replyWindowMs (or options.collectLimitMs
// passed in all). Every sender other than localAddress itself is appended to
// list, once per datagram. Returns false when localAddress is not a dotted
// IPv4 address or the socket could not be created, bound or switched to
// broadcast (nothing is sent then); true otherwise, whatever was found.
bool BroadcastGetHostName(const std::string& localAddress, DiscoveryList& list,
                          const DiscoveryOptions& options = {});

}  // namespace orbo
