// LAN box discovery: the UDP broadcast on every local network and the TCP
// sweep of one /24, run by the worker when the page asks for the box list.
#pragma once

#include <string>

#include "link/discovery/discovery_options.h"
#include "platform/local_addresses.h"

namespace orbo {

// Finds boxes and writes their addresses to *list as "a.b.c.d;" entries in
// the order found (emptied first).
// - boxAddress empty: for each address of localAddresses, in order, the
//   broadcast runs on its network; when listScanArg is non-zero the sweep of
//   that /24 follows.
// - boxAddress given: nothing is broadcast; its /24 is swept.
// Blocks until every broadcast window has closed and every sweep thread has
// ended. Returns true when the discovery ran (local addresses that are not
// dotted IPv4 text, or whose socket cannot be set up, are skipped). Returns
// false with an empty list when boxAddress is not four decimal numbers
// 0..255: nothing is swept then.
bool Discover(const std::string& boxAddress, std::string* list, int listScanArg,
              LocalAddressSource& localAddresses, const DiscoveryOptions& options = {});

}  // namespace orbo
