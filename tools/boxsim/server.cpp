#include "server.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

namespace boxsim {
namespace {

orbo::UniqueFd OpenInet(int type, const std::string& address, int port, std::string* error) {
  sockaddr_in sa{};
  sa.sin_family = AF_INET;
  sa.sin_port = htons(static_cast<uint16_t>(port));
  if (::inet_pton(AF_INET, address.c_str(), &sa.sin_addr) != 1) {
    *error = "not an IPv4 address: " + address;
    return {};
  }
  orbo::UniqueFd fd(::socket(AF_INET, type | SOCK_CLOEXEC, 0));
  int on = 1;
  ::setsockopt(fd.get(), SOL_SOCKET, SO_REUSEADDR, &on, sizeof(on));
  if (type == SOCK_DGRAM) ::setsockopt(fd.get(), SOL_SOCKET, SO_BROADCAST, &on, sizeof(on));
  if (::bind(fd.get(), reinterpret_cast<sockaddr*>(&sa), sizeof(sa)) != 0 ||
      (type == SOCK_STREAM && ::listen(fd.get(), 16) != 0)) {
    *error = "cannot bind " + address + ":" + std::to_string(port) + ": " + std::strerror(errno);
    return {};
  }
  return fd;
}

orbo::UniqueFd OpenUnix(const std::string& path, std::string* error) {
  sockaddr_un sa{};
  sa.sun_family = AF_UNIX;
  if (path.size() >= sizeof(sa.sun_path)) {
    *error = "socket path too long: " + path;
    return {};
  }
  std::memcpy(sa.sun_path, path.c_str(), path.size() + 1);
  ::unlink(path.c_str());
  orbo::UniqueFd fd(::socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0));
  if (::bind(fd.get(), reinterpret_cast<sockaddr*>(&sa), sizeof(sa)) != 0 ||
      ::listen(fd.get(), 16) != 0) {
    *error = "cannot listen on " + path + ": " + std::strerror(errno);
    return {};
  }
  return fd;
}

}  // namespace

Server::~Server() {
  CloseListeners();
  ReapSessions(true);
  for (int fd : wake_) {
    if (fd >= 0) ::close(fd);
  }
}

bool Server::Open(std::string* error) {
  if (wake_[0] < 0 && ::pipe2(wake_, O_CLOEXEC | O_NONBLOCK) != 0) {
    *error = "pipe failed";
    return false;
  }
  if (options_.tcpPort > 0) {
    tcp_ = OpenInet(SOCK_STREAM, options_.address, options_.tcpPort, error);
    if (!tcp_.valid()) return false;
  }
  if (options_.udpPort > 0) {
    const std::string& bind_address =
        options_.udpBind.empty() ? options_.address : options_.udpBind;
    udp_ = OpenInet(SOCK_DGRAM, bind_address, options_.udpPort, error);
    if (!udp_.valid()) return false;
  }
  if (!options_.usbPath.empty()) {
    usb_ = OpenUnix(options_.usbPath, error);
    if (!usb_.valid()) return false;
  }
  return true;
}

std::string Server::ReadyLine() const {
  std::string line = "orbo-boxsim ready";
  if (options_.tcpPort > 0)
    line += " tcp=" + options_.address + ":" + std::to_string(options_.tcpPort);
  if (options_.udpPort > 0) {
    line += " udp=" + (options_.udpBind.empty() ? options_.address : options_.udpBind) + ":" +
            std::to_string(options_.udpPort);
  }
  if (!options_.usbPath.empty()) line += " usb=" + options_.usbPath;
  return line;
}

void Server::CloseListeners() {
  tcp_.Reset();
  udp_.Reset();
  if (usb_.valid()) {
    usb_.Reset();
    ::unlink(options_.usbPath.c_str());
  }
}

void Server::Stop() {
  char c = 'Q';
  if (wake_[1] >= 0) (void)!::write(wake_[1], &c, 1);
}

void Server::RequestReset() {
  char c = 'R';
  if (wake_[1] >= 0) (void)!::write(wake_[1], &c, 1);
}

bool Server::WaitForStop(int ms) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  for (;;) {
    int left = static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                    deadline - std::chrono::steady_clock::now())
                                    .count());
    if (left <= 0) return false;
    pollfd p{wake_[0], POLLIN, 0};
    if (::poll(&p, 1, left) > 0) {
      char c;
      while (::read(wake_[0], &c, 1) == 1) {
        if (c == 'Q') return true;
      }
    }
  }
}

void Server::Accept(int listen_fd, Channel::Kind kind) {
  orbo::UniqueFd fd(::accept4(listen_fd, nullptr, nullptr, SOCK_CLOEXEC));
  if (!fd.valid()) return;
  if (kind == Channel::Kind::kTcp) {
    // Replies are small and the tool waits for each; do not hold them back.
    int on = 1;
    ::setsockopt(fd.get(), IPPROTO_TCP, TCP_NODELAY, &on, sizeof(on));
  }
  auto channel = std::make_shared<Channel>(std::move(fd), kind);
  std::lock_guard<std::mutex> lock(sessions_mutex_);
  sessions_.emplace_back();
  Session* s = &sessions_.back();
  s->channel = channel;
  s->thread = std::thread([this, s, channel] {
    box_->Serve(*channel);
    channel->Shutdown();
    std::lock_guard<std::mutex> lock(sessions_mutex_);
    s->done = true;
  });
}

void Server::AnswerDatagram() {
  char buf[4096];
  sockaddr_in from{};
  socklen_t len = sizeof(from);
  ssize_t n = ::recvfrom(udp_.get(), buf, sizeof(buf), 0, reinterpret_cast<sockaddr*>(&from), &len);
  if (n <= 0) return;
  std::string text(buf, static_cast<size_t>(n));
  box_->log().Command("udp", text);
  if (text.rfind("GetHostName", 0) != 0) return;
  const std::string name = box_->HostName();
  ::sendto(udp_.get(), name.data(), name.size(), 0, reinterpret_cast<sockaddr*>(&from), len);
}

void Server::ReapSessions(bool all) {
  std::list<Session> finished;
  {
    std::lock_guard<std::mutex> lock(sessions_mutex_);
    for (auto it = sessions_.begin(); it != sessions_.end();) {
      if (all) it->channel->Shutdown();
      if (all || it->done) {
        auto next = std::next(it);
        finished.splice(finished.end(), sessions_, it);
        it = next;
      } else {
        ++it;
      }
    }
  }
  for (Session& s : finished) {
    if (s.thread.joinable()) s.thread.join();
  }
}

void Server::Run() {
  std::printf("%s\n", ReadyLine().c_str());
  std::fflush(stdout);
  for (;;) {
    std::vector<pollfd> fds;
    fds.push_back({wake_[0], POLLIN, 0});
    if (tcp_.valid()) fds.push_back({tcp_.get(), POLLIN, 0});
    if (udp_.valid()) fds.push_back({udp_.get(), POLLIN, 0});
    if (usb_.valid()) fds.push_back({usb_.get(), POLLIN, 0});
    int r = ::poll(fds.data(), fds.size(), 500);
    if (r < 0 && errno != EINTR) return;
    ReapSessions(false);
    for (const pollfd& p : fds) {
      if (!(p.revents & POLLIN)) continue;
      if (p.fd == wake_[0]) {
        char c;
        bool reset = false;
        while (::read(wake_[0], &c, 1) == 1) {
          if (c == 'Q') return;
          if (c == 'R') reset = true;
        }
        if (reset) {
          // Rebooting: nothing answers until the box is back.
          CloseListeners();
          ReapSessions(true);
          std::printf("orbo-boxsim down\n");
          std::fflush(stdout);
          if (WaitForStop(box_->ResetMs())) return;
          std::string error;
          if (!Open(&error)) {
            std::fprintf(stderr, "orbo-boxsim: %s\n", error.c_str());
            return;
          }
          box_->log().Event("up");
          std::printf("%s\n", ReadyLine().c_str());
          std::fflush(stdout);
        }
        break;  // the listeners may have changed
      } else if (p.fd == tcp_.get()) {
        Accept(p.fd, Channel::Kind::kTcp);
      } else if (p.fd == usb_.get()) {
        Accept(p.fd, Channel::Kind::kUsb);
      } else if (p.fd == udp_.get()) {
        AnswerDatagram();
      }
    }
  }
}

}  // namespace boxsim
