// Outgoing TCP connections that never block their thread: the name is
// resolved to an IPv4 address, the connection is started without waiting
// and finished once the socket becomes writable, so a thread that is asked
// to stop can do so while a connection is under way.
#pragma once

#include <netinet/in.h>

#include <string>

#include "base/unique_fd.h"

namespace orbo::vcom {

// The first IPv4 address of host at port. False with *error set to the
// resolver's text when the name cannot be resolved.
bool ResolveIPv4(const std::string& host, int port, sockaddr_in* addr, std::string* error);

// A non-blocking stream socket (close-on-exec) whose connection to addr has
// been started. Invalid when no socket could be made or the connection was
// refused at once.
UniqueFd StartConnect(const sockaddr_in& addr);

// After the socket became writable: 0 when connected, else the error code.
int FinishConnect(int fd);

// Waits up to timeoutMs for a started connection, ending early when
// wakeFd (if >= 0) becomes readable. 0 when connected, else an error code
// (ETIMEDOUT, ECANCELED for a wake-up, or the connection's error).
int WaitConnected(int fd, int wakeFd, int timeoutMs);

}  // namespace orbo::vcom
