// Waiting for a descriptor to become readable or writable.
#pragma once

namespace orbo {

// Waits up to timeout_ms (negative: without limit) for one of events
// (POLLIN, POLLOUT, ...) on fd. 1 when one came, 0 when the time ran out,
// -1 when poll failed. A wait interrupted by a signal is resumed with the
// full time again.
int PollFd(int fd, short events, int timeout_ms);

}  // namespace orbo
