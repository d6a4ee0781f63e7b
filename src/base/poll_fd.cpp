#include "base/poll_fd.h"

#include <poll.h>

#include <cerrno>

namespace orbo {

int PollFd(int fd, short events, int timeout_ms) {
  pollfd p{fd, events, 0};
  for (;;) {
    const int r = ::poll(&p, 1, timeout_ms);
    if (r < 0 && errno == EINTR) continue;
    return r < 0 ? -1 : (r > 0 ? 1 : 0);
  }
}

}  // namespace orbo
