// A TCP echo server on 127.0.0.1 for the port and relay tests. It can be
// stopped and started again on the same port (a remote that restarts).
#pragma once

#include <atomic>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "base/unique_fd.h"

namespace orbo::test {

class EchoServer {
 public:
  // port 0: any free port.
  explicit EchoServer(int port = 0) { Start(port); }
  ~EchoServer() { Stop(); }
  EchoServer(const EchoServer&) = delete;
  EchoServer& operator=(const EchoServer&) = delete;

  // False when the port could not be bound.
  bool Start(int port);
  // Closes the listener and every connection.
  void Stop();
  int port() const { return port_; }
  int accepted() const { return accepted_.load(); }

 private:
  void Serve();

  int port_ = 0;
  UniqueFd listener_;
  UniqueFd wake_;
  std::thread thread_;
  // One per connection, Serve thread only; a worker whose client left is
  // joined and its socket closed at the next accept, so a long run of
  // connections holds no more than the live ones.
  struct Worker {
    int fd = -1;
    std::thread thread;
    std::shared_ptr<std::atomic<bool>> done;
  };
  std::vector<Worker> workers_;
  std::atomic<int> accepted_{0};
};

// A port on 127.0.0.1 that was free a moment ago.
int FreeLoopbackPort();

}  // namespace orbo::test
