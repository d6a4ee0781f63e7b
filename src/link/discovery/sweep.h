// The TCP sweep: try port 8769 on hosts of one /24 network and list every
// host that accepts a connection.
#pragma once

#include <string>

#include "link/discovery/discovery_list.h"
#include "link/discovery/discovery_options.h"
#include "link/discovery/ipv4_text.h"

namespace orbo {

// One sweep thread's work: hosts s, s+1, ... while below s+70 and at most 255
// of the network of startAddress "a.b.c.s". Each host that accepts is sent
// "GetHostName\r", its reply (up to 128 bytes) is read and ignored, and
// "a.b.c.h;" is appended to list unless already listed. A host that refuses
// or does not complete the connect within options.connectLimitMs is
// skipped. Returns false without trying anything when startAddress is not a
// dotted IPv4 address or its host part is 0.
bool Sweep(const std::string& startAddress, DiscoveryList& list,
           const DiscoveryOptions& options = {});

// Sweeps hosts 1..255 of network a.b.c with four threads starting at .1, .71,
// .141 and .211, and waits for them in that order.
void SweepNetwork(const Ipv4Octets& network, DiscoveryList& list,
                  const DiscoveryOptions& options = {});

}  // namespace orbo
