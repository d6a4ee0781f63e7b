// TCP sockets on 127.0.0.1 for tests and benchmarks: the listener of a far
// end, a client's connection, a port that is free.
#pragma once

#include "base/unique_fd.h"

namespace orbo::test {

// Listens on 127.0.0.1:port (0: any free port; SO_REUSEADDR, backlog 64)
// and stores the bound port in *bound when given. Invalid on failure.
UniqueFd ListenLoopback(int port, int* bound = nullptr);

// One connection attempt to 127.0.0.1:port; invalid when refused.
UniqueFd ConnectLoopback(int port);

// A port on 127.0.0.1 that was free a moment ago.
int FreeLoopbackPort();

}  // namespace orbo::test
