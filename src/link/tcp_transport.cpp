#include "link/tcp_transport.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/time.h>

#include <algorithm>
#include <cerrno>
#include <chrono>

#include "base/poll_fd.h"

namespace orbo {
namespace {

bool SetNonBlocking(int fd, bool on) {
  int flags = ::fcntl(fd, F_GETFL, 0);
  if (flags < 0) return false;
  flags = on ? (flags | O_NONBLOCK) : (flags & ~O_NONBLOCK);
  return ::fcntl(fd, F_SETFL, flags) == 0;
}

void SetTimeout(int fd, int option, int ms) {
  timeval tv{};
  tv.tv_sec = ms / 1000;
  tv.tv_usec = (ms % 1000) * 1000;
  ::setsockopt(fd, SOL_SOCKET, option, &tv, sizeof(tv));
}

}  // namespace

bool TcpTransport::Connect(const std::string& address, int port) {
  Close();
  if (address.empty()) return false;
  sockaddr_in sa{};
  sa.sin_family = AF_INET;
  sa.sin_port = htons(static_cast<uint16_t>(port));
  if (port <= 0 || port > 65535 || ::inet_pton(AF_INET, address.c_str(), &sa.sin_addr) != 1) {
    return false;
  }
  UniqueFd fd(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
  if (!fd.valid() || !SetNonBlocking(fd.get(), true)) return false;
  if (::connect(fd.get(), reinterpret_cast<sockaddr*>(&sa), sizeof(sa)) != 0) {
    if (errno != EINPROGRESS) return false;
    if (PollFd(fd.get(), POLLOUT, timeouts_.connect_ms) <= 0) return false;
    int err = 0;
    socklen_t len = sizeof(err);
    if (::getsockopt(fd.get(), SOL_SOCKET, SO_ERROR, &err, &len) != 0 || err != 0) return false;
  }
  if (!SetNonBlocking(fd.get(), false)) return false;
  SetTimeout(fd.get(), SO_SNDTIMEO, timeouts_.io_ms);
  SetTimeout(fd.get(), SO_RCVTIMEO, timeouts_.io_ms);
  // Each write is one command or one block the box waits for; holding a
  // short tail back for an acknowledgement would only add latency.
  int one = 1;
  ::setsockopt(fd.get(), IPPROTO_TCP, TCP_NODELAY, &one, sizeof(one));
  std::lock_guard<std::mutex> lock(fdMutex_);
  fd_ = std::move(fd);
  return true;
}

void TcpTransport::Close() {
  std::lock_guard<std::mutex> lock(fdMutex_);
  fd_.Reset();
}

void TcpTransport::Shutdown() {
  std::lock_guard<std::mutex> lock(fdMutex_);
  if (fd_.valid()) ::shutdown(fd_.get(), SHUT_RDWR);
}

bool TcpTransport::Write(const void* data, size_t length, int64_t* count) {
  *count = 0;
  if (!fd_.valid()) return false;
  ssize_t n;
  do {
    n = ::send(fd_.get(), data, length, MSG_NOSIGNAL);
  } while (n < 0 && errno == EINTR);
  if (n < 0) return false;
  *count = n;
  return true;
}

bool TcpTransport::Read(void* buffer, size_t length, int64_t* count) {
  *count = 0;
  if (!fd_.valid()) return false;
  ssize_t n;
  do {
    n = ::recv(fd_.get(), buffer, length, 0);
  } while (n < 0 && errno == EINTR);
  if (n < 0) return false;
  *count = n;
  return true;
}

bool TcpTransport::ReadWithin(void* buffer, size_t length, int64_t* count, int wait_ms) {
  *count = 0;
  if (!fd_.valid()) return false;
  const int r = PollFd(fd_.get(), POLLIN, std::clamp(wait_ms, 0, timeouts_.io_ms));
  if (r <= 0) return false;
  ssize_t n;
  do {
    n = ::recv(fd_.get(), buffer, length, MSG_DONTWAIT);
  } while (n < 0 && errno == EINTR);
  if (n < 0) return false;
  *count = n;
  return true;
}

void TcpTransport::Purge() {
  if (!fd_.valid()) return;
  const auto limit = std::chrono::steady_clock::now() + std::chrono::milliseconds(kPurgeLimitMs);
  char drop[4096];
  while (std::chrono::steady_clock::now() < limit &&
         PollFd(fd_.get(), POLLIN, timeouts_.purge_ms) > 0) {
    ssize_t n;
    do {
      n = ::recv(fd_.get(), drop, sizeof(drop), MSG_DONTWAIT);
    } while (n < 0 && errno == EINTR);
    if (n <= 0) return;  // closed, or nothing after all
  }
}

}  // namespace orbo
