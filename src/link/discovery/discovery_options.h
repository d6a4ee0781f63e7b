// Ports and time limits of the LAN discovery. The defaults are the box
// protocol's; the tool always uses them, tests may shorten or widen them.
#pragma once

#include <cstdint>

namespace orbo {

struct DiscoveryOptions {
  uint16_t broadcastPort = 8767;  // UDP, bound locally and used as destination
  uint16_t sweepPort = 8769;      // TCP, the box's command port
  int replyWindowMs = 100;        // broadcast: stop after this long without a reply
  // Broadcast: stop collecting replies for one local address after this long
  // in total, so a host that keeps sending cannot hold the discovery forever.
  int collectLimitMs = 3000;
  int connectLimitMs = 10;       // sweep: wait for a connect to complete
  int exchangeTimeoutMs = 1000;  // sweep: send and receive timeouts once connected
};

}  // namespace orbo
