#include "support/echo_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>

#include <algorithm>
#include <cerrno>

namespace orbo::test {

bool EchoServer::Start(int port) {
  listener_ = ListenLoopback(port, &port_);
  if (!listener_.valid()) return false;
  wake_.Reset(::eventfd(0, EFD_CLOEXEC));
  thread_ = std::thread(&EchoServer::Serve, this);
  return true;
}

void EchoServer::Stop() {
  if (!thread_.joinable()) return;
  uint64_t one = 1;
  [[maybe_unused]] ssize_t n = ::write(wake_.get(), &one, sizeof one);
  thread_.join();
  listener_.Reset();
}

void EchoServer::Serve() {
  for (;;) {
    pollfd fds[2] = {{listener_.get(), POLLIN, 0}, {wake_.get(), POLLIN, 0}};
    if (::poll(fds, 2, -1) < 0 && errno != EINTR) break;
    if (fds[1].revents) break;
    int c = ::accept4(listener_.get(), nullptr, nullptr, SOCK_CLOEXEC);
    if (c < 0) continue;
    int one = 1;
    ::setsockopt(c, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    ++accepted_;
    ++live_;
    std::erase_if(workers_, [this](Worker& w) {
      {
        std::lock_guard<std::mutex> lock(mutex_);
        if (*w.fd >= 0) return false;
      }
      w.thread.join();
      return true;
    });
    auto fd = std::make_shared<int>(c);
    std::thread thread([this, c, fd] {
      std::vector<char> buf(65536);
      for (;;) {
        ssize_t n = ::recv(c, buf.data(), buf.size(), 0);
        if (n <= 0) break;
        ssize_t sent = 0;
        while (sent < n) {
          ssize_t w = ::send(c, buf.data() + sent, static_cast<size_t>(n - sent), MSG_NOSIGNAL);
          if (w <= 0) break;
          sent += w;
        }
        if (sent < n) break;
      }
      std::lock_guard<std::mutex> lock(mutex_);
      ::close(c);
      *fd = -1;
      --live_;
    });
    workers_.push_back(Worker{std::move(fd), std::move(thread)});
  }
  {
    std::lock_guard<std::mutex> lock(mutex_);
    for (Worker& w : workers_) {
      if (*w.fd >= 0) ::shutdown(*w.fd, SHUT_RDWR);
    }
  }
  for (Worker& w : workers_) w.thread.join();
  workers_.clear();
}

}  // namespace orbo::test
