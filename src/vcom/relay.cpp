#include "vcom/relay.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "base/logger.h"
#include "vcom/byte_queue.h"
#include "vcom/tcp_connect.h"

namespace orbo::vcom {
namespace {

constexpr size_t kChunk = 256 * 1024;
constexpr int kIdleMs = 300 * 1000;
constexpr int kConnectMs = 20 * 1000;

// One direction of a bridge.
struct Flow {
  int from;
  int to;
  ByteQueue pending;
  bool ended = false;  // from said it sends no more
};

// Sends what flow holds now. False when the receiving side failed.
bool Send(Flow& f) {
  while (!f.pending.empty()) {
    ssize_t n = ::send(f.to, f.pending.data(), f.pending.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
    if (n > 0) {
      f.pending.Consume(static_cast<size_t>(n));
    } else if (n < 0 && errno == EINTR) {
      continue;
    } else {
      return n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK);
    }
  }
  return true;
}

// Receives into flow. False when the sending side failed.
bool Receive(Flow& f) {
  ssize_t n = ::recv(f.from, f.pending.Reserve(kChunk), kChunk, MSG_DONTWAIT);
  if (n > 0) {
    f.pending.Commit(static_cast<size_t>(n));
    return true;
  }
  if (n == 0) {
    f.ended = true;
    return true;
  }
  return errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR;
}

}  // namespace

bool Relay::Start(const RelayEndpoint& endpoint) {
  StopRelay();
  RelayEndpoint e = endpoint;
  if (e.remoteHost.size() > 39) e.remoteHost.resize(39);
  if (e.listenPort < 1 || e.listenPort > 65535 || e.remotePort < 1 || e.remotePort > 65535) {
    ORBO_LOG_WARN("relay not started: local port %d or remote port %d out of range", e.listenPort,
                  e.remotePort);
    return true;
  }
  UniqueFd listener(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
  int one = 1;
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_port = htons(static_cast<uint16_t>(e.listenPort));
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (!listener.valid() ||
      ::setsockopt(listener.get(), SOL_SOCKET, SO_REUSEADDR, &one, sizeof one) != 0 ||
      ::bind(listener.get(), reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
      ::listen(listener.get(), 5) != 0) {
    ORBO_LOG_WARN("relay not started: cannot listen on 127.0.0.1:%d: %s", e.listenPort,
                  std::strerror(errno));
    return true;
  }
  wake_.Reset(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK));
  if (!wake_.valid()) return false;
  listening_ = true;
  try {
    thread_ = std::thread(&Relay::RunRelay, this, std::move(listener), std::move(e));
  } catch (const std::system_error&) {
    listening_ = false;
    return false;
  }
  return true;
}

void Relay::StopRelay() {
  if (!thread_.joinable()) return;
  uint64_t one = 1;
  [[maybe_unused]] ssize_t n = ::write(wake_.get(), &one, sizeof one);
  thread_.join();
  wake_.Reset();
}

void Relay::RunRelay(UniqueFd listener, RelayEndpoint e) {
  for (;;) {
    pollfd fds[2] = {{listener.get(), POLLIN, 0}, {wake_.get(), POLLIN, 0}};
    if (::poll(fds, 2, -1) < 0 && errno != EINTR) break;
    if (fds[1].revents & POLLIN) break;
    if (!(fds[0].revents & POLLIN)) continue;
    UniqueFd client(::accept4(listener.get(), nullptr, nullptr, SOCK_CLOEXEC));
    if (!client.valid()) continue;
    sockaddr_in addr{};
    std::string error;
    if (!ResolveIPv4(e.remoteHost, e.remotePort, &addr, &error)) {
      ORBO_LOG_ERROR("[-] Gethostbyname(%s) error:%s", e.remoteHost.c_str(), error.c_str());
      break;
    }
    UniqueFd remote = StartConnect(addr);
    int err = remote.valid() ? WaitConnected(remote.get(), wake_.get(), kConnectMs) : errno;
    if (err == ECANCELED) break;
    if (err != 0) {
      char text[1024];
      int len = std::snprintf(text, sizeof text, "[SERVER]connection to %s:%d error\r\n",
                              e.remoteHost.c_str(), e.remotePort);
      [[maybe_unused]] ssize_t n =
          ::send(client.get(), text, static_cast<size_t>(len), MSG_NOSIGNAL | MSG_DONTWAIT);
      continue;
    }
    bridgeCount_ = 1;
    PumpBridge(client.get(), remote.get());
    bridgeCount_ = 0;
  }
  listening_ = false;
}

void Relay::PumpBridge(int client, int remote) {
  Flow up{client, remote, {}};
  Flow down{remote, client, {}};
  for (;;) {
    pollfd fds[3] = {{client, 0, 0}, {remote, 0, 0}, {wake_.get(), POLLIN, 0}};
    for (Flow* f : {&up, &down}) {
      pollfd& from = f->from == client ? fds[0] : fds[1];
      pollfd& to = f->to == client ? fds[0] : fds[1];
      if (!f->ended && f->pending.size() < kChunk) from.events |= POLLIN;
      if (!f->pending.empty()) to.events |= POLLOUT;
    }
    int ready = ::poll(fds, 3, kIdleMs);
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0 || (fds[2].revents & POLLIN)) return;
    for (Flow* f : {&up, &down}) {
      const pollfd& from = f->from == client ? fds[0] : fds[1];
      if (!f->ended && f->pending.size() < kChunk &&
          (from.revents & (POLLIN | POLLHUP | POLLERR)) && !Receive(*f)) {
        return;
      }
      // Forward at once: one wake-up per chunk, not two.
      if (!Send(*f)) return;
      // A side that closed ends the bridge once what it sent is delivered
      // (its peer then gets the end as well); waiting for the other side
      // to close too would hold the next client back.
      if (f->ended && f->pending.empty()) return;
    }
  }
}

}  // namespace orbo::vcom
