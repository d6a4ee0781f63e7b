#include "link/discovery/responders.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sched.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>

namespace orbo::test {
namespace {

constexpr char kReply[] = "ORBO-BOX\r";

sockaddr_in Address(const std::string& text, uint16_t port) {
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_port = htons(port);
  ::inet_pton(AF_INET, text.c_str(), &addr.sin_addr);
  return addr;
}

bool Bind(int fd, const std::string& address, uint16_t port) {
  const sockaddr_in addr = Address(address, port);
  return ::bind(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof(addr)) == 0;
}

void Wake(const UniqueFd& wake) {
  const uint64_t one = 1;
  if (::write(wake.get(), &one, sizeof(one)) < 0) {
    // Nothing more to do: the eventfd cannot be full after one write.
  }
}

}  // namespace

UniqueFd SocketIn(const std::string& netns, int type) {
  if (netns.empty()) return UniqueFd(::socket(AF_INET, type | SOCK_CLOEXEC, 0));
  int fd = -1;
  // Switching namespaces affects only the calling thread, so do it on a
  // thread of its own; the socket keeps the namespace it was made in.
  std::thread maker([&] {
    UniqueFd ns(::open(("/run/netns/" + netns).c_str(), O_RDONLY | O_CLOEXEC));
    if (!ns.valid() || ::setns(ns.get(), CLONE_NEWNET) != 0) return;
    fd = ::socket(AF_INET, type | SOCK_CLOEXEC, 0);
  });
  maker.join();
  return UniqueFd(fd);
}

LoopbackNetwork::LoopbackNetwork() {
  const int base = static_cast<int>(::getpid() % 250);
  for (int i = 0; i < 250; ++i) {
    const int n = (base + i) % 250 + 1;
    UniqueFd claim(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    const std::string name = "orbo-discovery-test-net-" + std::to_string(n);
    std::memcpy(addr.sun_path + 1, name.data(), name.size());
    const auto len = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + name.size());
    if (::bind(claim.get(), reinterpret_cast<const sockaddr*>(&addr), len) == 0) {
      claim_ = std::move(claim);
      prefix_ = "127.77." + std::to_string(n);
      return;
    }
  }
  prefix_ = "127.77.251";  // every claim taken: share the spare network
}

std::string LoopbackNetwork::Host(int host) const {
  return prefix_ + "." + std::to_string(host);
}

TcpResponder::TcpResponder(const std::string& address, uint16_t port, Mode mode,
                           const std::string& netns)
    : wake_(::eventfd(0, EFD_CLOEXEC)), mode_(mode) {
  UniqueFd fd = SocketIn(netns, SOCK_STREAM);
  const int on = 1;
  if (!fd.valid() || ::setsockopt(fd.get(), SOL_SOCKET, SO_REUSEADDR, &on, sizeof(on)) != 0 ||
      !Bind(fd.get(), address, port) || ::listen(fd.get(), 64) != 0) {
    return;
  }
  listener_ = std::move(fd);
  thread_ = std::thread([this] { Run(); });
}

TcpResponder::~TcpResponder() {
  if (thread_.joinable()) {
    Wake(wake_);
    thread_.join();
  }
}

std::vector<std::string> TcpResponder::requests() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return requests_;
}

void TcpResponder::Run() {
  for (;;) {
    pollfd fds[2] = {{listener_.get(), POLLIN, 0}, {wake_.get(), POLLIN, 0}};
    if (::poll(fds, 2, -1) < 0) continue;
    if (fds[1].revents) return;
    UniqueFd conn(::accept4(listener_.get(), nullptr, nullptr, SOCK_CLOEXEC));
    if (!conn.valid()) continue;
    ++connections_;
    // The discovery sends one 12-byte request; read what comes within a
    // generous limit (a loaded machine may be slow).
    timeval tv{10, 0};
    ::setsockopt(conn.get(), SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof(tv));
    std::string request;
    char buf[64];
    while (request.find('\r') == std::string::npos) {
      const ssize_t n = ::recv(conn.get(), buf, sizeof(buf), 0);
      if (n <= 0) break;
      request.append(buf, static_cast<size_t>(n));
    }
    std::lock_guard<std::mutex> lock(mutex_);
    requests_.push_back(request);
    if (mode_ == Mode::kReplyAndClose) {
      ::send(conn.get(), kReply, sizeof(kReply) - 1, MSG_NOSIGNAL);
    } else if (mode_ == Mode::kSilentHold) {
      held_.push_back(std::move(conn));
    }
  }
}

UdpResponder::UdpResponder(const std::string& address, uint16_t port, std::vector<Reply> replies,
                           const std::string& netns)
    : wake_(::eventfd(0, EFD_CLOEXEC)), replies_(std::move(replies)) {
  socket_ = SocketIn(netns, SOCK_DGRAM);
  const int on = 1;
  if (!socket_.valid() ||
      ::setsockopt(socket_.get(), SOL_SOCKET, SO_REUSEADDR, &on, sizeof(on)) != 0 ||
      !Bind(socket_.get(), address, port)) {
    return;
  }
  for (const Reply& reply : replies_) {
    if (reply.fromAddress.empty()) {
      senders_.emplace_back();
      continue;
    }
    UniqueFd sender = SocketIn(netns, SOCK_DGRAM);
    if (!sender.valid() || !Bind(sender.get(), reply.fromAddress, 0)) return;
    senders_.push_back(std::move(sender));
  }
  ok_ = true;
  thread_ = std::thread([this] { Run(); });
}

UdpResponder::~UdpResponder() {
  if (thread_.joinable()) {
    Wake(wake_);
    thread_.join();
  }
}

std::vector<std::string> UdpResponder::requests() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return requests_;
}

void UdpResponder::Run() {
  sockaddr_in requester{};
  bool flooding = false;
  for (;;) {
    pollfd fds[2] = {{socket_.get(), POLLIN, 0}, {wake_.get(), POLLIN, 0}};
    const int ready = ::poll(fds, 2, flooding ? floodMs_.load() : -1);
    if (ready < 0) continue;
    if (fds[1].revents) return;
    if (ready == 0) {
      ::sendto(socket_.get(), kReply, sizeof(kReply) - 1, 0,
               reinterpret_cast<const sockaddr*>(&requester), sizeof(requester));
      continue;
    }
    char buf[4096];
    socklen_t len = sizeof(requester);
    const ssize_t n = ::recvfrom(socket_.get(), buf, sizeof(buf), 0,
                                 reinterpret_cast<sockaddr*>(&requester), &len);
    if (n < 0) continue;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      requests_.emplace_back(buf, static_cast<size_t>(n));
    }
    for (size_t i = 0; i < replies_.size(); ++i) {
      const int fd = senders_[i].valid() ? senders_[i].get() : socket_.get();
      for (int k = 0; k < replies_[i].times; ++k) {
        ::sendto(fd, kReply, sizeof(kReply) - 1, 0, reinterpret_cast<const sockaddr*>(&requester),
                 sizeof(requester));
      }
    }
    flooding = floodMs_.load() > 0;
  }
}

uint16_t FreeUdpPort() {
  UniqueFd fd(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0));
  sockaddr_in addr = Address("0.0.0.0", 0);
  socklen_t len = sizeof(addr);
  if (::bind(fd.get(), reinterpret_cast<const sockaddr*>(&addr), sizeof(addr)) != 0 ||
      ::getsockname(fd.get(), reinterpret_cast<sockaddr*>(&addr), &len) != 0) {
    return 0;
  }
  return ntohs(addr.sin_port);
}

}  // namespace orbo::test
