// The simulator's listeners: TCP (commands and the discovery sweep), UDP
// (the discovery broadcast) and the USB report socket. One thread per
// connection; "reset\r" closes everything for a while and reopens it.
#pragma once

#include <list>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "base/unique_fd.h"
#include "box.h"
#include "channel.h"

namespace boxsim {

struct ServerOptions {
  std::string address = "127.0.0.1";
  int tcpPort = 8769;   // 0: no TCP listener
  int udpPort = 8767;   // 0: no UDP socket
  std::string udpBind;  // empty: address
  std::string usbPath;  // empty: no USB report socket
};

class Server {
 public:
  explicit Server(ServerOptions options) : options_(std::move(options)) {}
  ~Server();
  Server(const Server&) = delete;
  Server& operator=(const Server&) = delete;

  void set_box(Box* box) { box_ = box; }
  // Opens the listeners; false with *error when one cannot be opened.
  bool Open(std::string* error);
  // The line printed once the listeners are up.
  std::string ReadyLine() const;
  // Serves until Stop (from a signal handler too: it only writes a pipe).
  void Run();
  void Stop();
  void RequestReset();
  // Closes the listeners and ends every connection, waiting for them.
  void Close() {
    CloseListeners();
    ReapSessions(true);
  }

 private:
  struct Session {
    std::shared_ptr<Channel> channel;
    std::thread thread;
    bool done = false;
  };
  void CloseListeners();
  void Accept(int listen_fd, Channel::Kind kind);
  void AnswerDatagram();
  void ReapSessions(bool all);
  // Waits up to ms for a stop request; true when one came.
  bool WaitForStop(int ms);

  ServerOptions options_;
  Box* box_ = nullptr;
  orbo::UniqueFd tcp_;
  orbo::UniqueFd udp_;
  orbo::UniqueFd usb_;
  int wake_[2] = {-1, -1};
  std::mutex sessions_mutex_;  // guards sessions_
  std::list<Session> sessions_;
};

}  // namespace boxsim
