// A TCP echo server on 127.0.0.1, the far end of the port, relay and
// bench runs. Every byte read is sent back; replies are not delayed
// (TCP_NODELAY). It can be stopped and started again on the same port (a
// remote that restarts).
#pragma once

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "base/unique_fd.h"
#include "support/loopback_socket.h"

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
  // Closes the listener and every connection, and waits for their threads.
  void Stop();
  int port() const { return port_; }
  // Connections accepted so far, and those still open. A connection's
  // socket is closed as soon as its client leaves, so a process that
  // counts its descriptors sees only the live ones.
  int accepted() const { return accepted_.load(); }
  int live() const { return live_.load(); }

 private:
  void Serve();

  int port_ = 0;
  UniqueFd listener_;
  UniqueFd wake_;
  std::thread thread_;
  // One per connection, Serve thread only; a worker whose client left is
  // joined at the next accept and at Stop.
  struct Worker {
    std::shared_ptr<int> fd;  // -1 once closed; guarded by mutex_
    std::thread thread;
  };
  std::mutex mutex_;  // guards the workers' fds
  std::vector<Worker> workers_;
  std::atomic<int> accepted_{0};
  std::atomic<int> live_{0};
};

}  // namespace orbo::test
