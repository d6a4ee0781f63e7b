#include "vcom/tcp_connect.h"

#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>

#include <cerrno>
#include <cstring>

namespace orbo::vcom {

bool ResolveIPv4(const std::string& host, int port, sockaddr_in* addr, std::string* error) {
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  int rc = host.empty() ? EAI_NONAME : ::getaddrinfo(host.c_str(), nullptr, &hints, &found);
  if (rc != 0 || found == nullptr) {
    *error = rc == EAI_SYSTEM ? std::strerror(errno) : ::gai_strerror(rc);
    return false;
  }
  std::memcpy(addr, found->ai_addr, sizeof *addr);
  addr->sin_port = htons(static_cast<uint16_t>(port));
  ::freeaddrinfo(found);
  return true;
}

UniqueFd StartConnect(const sockaddr_in& addr) {
  UniqueFd fd(::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
  if (!fd.valid()) return fd;
  int rc = ::connect(fd.get(), reinterpret_cast<const sockaddr*>(&addr), sizeof addr);
  if (rc != 0 && errno != EINPROGRESS) fd.Reset();
  return fd;
}

int FinishConnect(int fd) {
  int err = 0;
  socklen_t len = sizeof err;
  if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &err, &len) != 0) return errno;
  return err;
}

int WaitConnected(int fd, int wakeFd, int timeoutMs) {
  pollfd p[2] = {{fd, POLLOUT, 0}, {wakeFd, POLLIN, 0}};
  for (;;) {
    int r = ::poll(p, wakeFd >= 0 ? 2 : 1, timeoutMs);
    if (r < 0 && errno == EINTR) continue;
    if (r < 0) return errno;
    if (r == 0) return ETIMEDOUT;
    if (wakeFd >= 0 && (p[1].revents & POLLIN)) return ECANCELED;
    return FinishConnect(fd);
  }
}

}  // namespace orbo::vcom
