#include "vcom/relay.h"

#include <arpa/inet.h>
#include <fcntl.h>
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

// One direction of a bridge. Its bytes wait in a pipe and move by splice,
// so they never pass through this process's memory; where the kernel
// refuses to splice them the flow falls back to reading into and sending
// from a buffer.
struct Flow {
  int from;
  int to;
  UniqueFd pipeRead;
  UniqueFd pipeWrite;
  size_t capacity = kChunk;  // what the pipe (or the buffer) holds at most
  size_t inPipe = 0;
  ByteQueue pending;  // the fallback's bytes
  bool spliced = false;
  bool ended = false;  // from said it sends no more
  // The pipe took no more although it holds less than capacity (spliced
  // bytes fill its slots partly); it is read again once some went out.
  bool full = false;

  Flow(int f, int t, bool splice) : from(f), to(t) {
    int fds[2];
    if (!splice || ::pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0) return;
    pipeRead.Reset(fds[0]);
    pipeWrite.Reset(fds[1]);
    ::fcntl(fds[1], F_SETPIPE_SZ, static_cast<int>(kChunk));
    const int size = ::fcntl(fds[1], F_GETPIPE_SZ);
    if (size > 0) capacity = static_cast<size_t>(size);
    spliced = true;
  }
  size_t held() const { return spliced ? inPipe : pending.size(); }
  bool wantsInput() const { return !ended && !full && held() < capacity; }

  // Sends what the flow holds now. False when the receiving side failed.
  bool Send() {
    while (held() > 0) {
      ssize_t n = spliced ? ::splice(pipeRead.get(), nullptr, to, nullptr, inPipe,
                                     SPLICE_F_MOVE | SPLICE_F_NONBLOCK)
                          : ::send(to, pending.data(), pending.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
      if (n > 0) {
        full = false;
        if (spliced) {
          inPipe -= static_cast<size_t>(n);
        } else {
          pending.Consume(static_cast<size_t>(n));
        }
      } else if (n < 0 && errno == EINTR) {
        continue;
      } else {
        return n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK);
      }
    }
    return true;
  }

  // Receives into the flow. False when the sending side failed.
  bool Receive() {
    const size_t room = capacity - held();
    ssize_t n = -1;
    if (spliced) {
      n = ::splice(from, nullptr, pipeWrite.get(), nullptr, room,
                   SPLICE_F_MOVE | SPLICE_F_NONBLOCK);
      if (n < 0 && (errno == EINVAL || errno == ENOSYS) && inPipe == 0) {
        spliced = false;  // this pair of descriptors cannot splice
        pipeRead.Reset();
        pipeWrite.Reset();
        capacity = kChunk;
        return Receive();
      }
    } else {
      n = ::recv(from, pending.Reserve(room), room, MSG_DONTWAIT);
      if (n > 0) pending.Commit(static_cast<size_t>(n));
    }
    if (n > 0) {
      if (spliced) inPipe += static_cast<size_t>(n);
      return true;
    }
    if (n == 0) {
      ended = true;
      return true;
    }
    if (spliced && inPipe > 0 && errno == EAGAIN) full = true;
    return errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR;
  }
};

}  // namespace

Relay::StartResult Relay::Start(const RelayEndpoint& endpoint) {
  StopRelay();
  RelayEndpoint e = endpoint;
  if (e.remoteHost.size() > 39) e.remoteHost.resize(39);
  if (e.listenPort < 1 || e.listenPort > 65535 || e.remotePort < 1 || e.remotePort > 65535) {
    ORBO_LOG_WARN("relay not started: local port %d or remote port %d out of range", e.listenPort,
                  e.remotePort);
    return StartResult::kBadPort;
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
    return StartResult::kCannotListen;
  }
  wake_.Reset(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK));
  if (!wake_.valid()) return StartResult::kNoThread;
  listening_ = true;
  try {
    thread_ = std::thread(&Relay::RunRelay, this, std::move(listener), std::move(e));
  } catch (const std::system_error&) {
    listening_ = false;
    return StartResult::kNoThread;
  }
  return StartResult::kListening;
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
  // splice waits on a blocking socket; both are non-blocking here.
  for (int fd : {client, remote}) ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
  bool splice = moving_ == Moving::kSplice;
  if (moving_ == Moving::kAuto) {
    sockaddr_in peer{};
    socklen_t len = sizeof peer;
    splice = ::getpeername(remote, reinterpret_cast<sockaddr*>(&peer), &len) != 0 ||
             (ntohl(peer.sin_addr.s_addr) >> 24) != 127;
  }
  Flow up(client, remote, splice);
  Flow down(remote, client, splice);
  for (;;) {
    pollfd fds[3] = {{client, 0, 0}, {remote, 0, 0}, {wake_.get(), POLLIN, 0}};
    for (Flow* f : {&up, &down}) {
      pollfd& from = f->from == client ? fds[0] : fds[1];
      pollfd& to = f->to == client ? fds[0] : fds[1];
      if (f->wantsInput()) from.events |= POLLIN;
      if (f->held() > 0) to.events |= POLLOUT;
    }
    int ready = ::poll(fds, 3, kIdleMs);
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0 || (fds[2].revents & POLLIN)) return;
    for (Flow* f : {&up, &down}) {
      const pollfd& from = f->from == client ? fds[0] : fds[1];
      if (f->wantsInput() && (from.revents & (POLLIN | POLLHUP | POLLERR)) && !f->Receive()) {
        return;
      }
      // Forward at once: one wake-up per chunk, not two.
      if (!f->Send()) return;
      // A side that closed ends the bridge once what it sent is delivered
      // (its peer then gets the end as well); waiting for the other side
      // to close too would hold the next client back.
      if (f->ended && f->held() == 0) return;
    }
  }
}

}  // namespace orbo::vcom
