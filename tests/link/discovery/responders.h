// Small stand-ins for boxes, for discovery tests: TCP listeners on the
// command port and UDP responders on the broadcast port. Sockets can be made
// inside a named network namespace; they stay there whichever thread uses
// them.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "base/unique_fd.h"

namespace orbo::test {

// A socket of the given type created inside network namespace `netns`
// (a name under /run/netns), or in the current one when netns is empty.
// Invalid on failure.
UniqueFd SocketIn(const std::string& netns, int type);

// A /24 of 127.0.0.0/8 reserved for this test process: "127.77.N", N derived
// from the pid and moved on while another process holds it. The claim is an
// abstract-namespace socket, released when the object goes.
class LoopbackNetwork {
 public:
  LoopbackNetwork();
  LoopbackNetwork(const LoopbackNetwork&) = delete;
  LoopbackNetwork& operator=(const LoopbackNetwork&) = delete;
  // "127.77.N.host"
  std::string Host(int host) const;
  const std::string& prefix() const { return prefix_; }  // "127.77.N"

 private:
  UniqueFd claim_;
  std::string prefix_;
};

// Answers TCP connections on one address:port from a thread of its own.
class TcpResponder {
 public:
  enum class Mode {
    kReplyAndClose,  // read the request, reply "ORBO-BOX\r", close
    kSilentClose,    // read the request, close without a word
    kSilentHold,     // read the request, keep the connection open and silent
  };
  // Listening starts in the constructor; ok() tells whether it did.
  TcpResponder(const std::string& address, uint16_t port, Mode mode, const std::string& netns = "");
  ~TcpResponder();
  TcpResponder(const TcpResponder&) = delete;
  TcpResponder& operator=(const TcpResponder&) = delete;

  bool ok() const { return listener_.valid(); }
  int connections() const { return connections_.load(); }
  // What each connection sent before the responder answered.
  std::vector<std::string> requests() const;

 private:
  void Run();

  UniqueFd listener_;
  UniqueFd wake_;  // eventfd that ends Run()
  Mode mode_;
  std::atomic<int> connections_{0};
  mutable std::mutex mutex_;  // guards requests_ and held_
  std::vector<std::string> requests_;
  std::vector<UniqueFd> held_;
  std::thread thread_;
};

// Answers UDP datagrams on one address:port from a thread of its own.
class UdpResponder {
 public:
  struct Reply {
    std::string fromAddress;  // source address of the reply ("" = the listening socket)
    int times = 1;            // datagrams sent per request
  };
  // Listens on address:port (address "0.0.0.0" for any) and answers every
  // request with each entry of replies, in order.
  UdpResponder(const std::string& address, uint16_t port, std::vector<Reply> replies,
               const std::string& netns = "");
  ~UdpResponder();
  UdpResponder(const UdpResponder&) = delete;
  UdpResponder& operator=(const UdpResponder&) = delete;

  bool ok() const { return ok_; }
  // After the first request, keep sending a reply every intervalMs until
  // destroyed (a host that floods the discovery).
  void FloodAfterFirstRequest(int intervalMs) { floodMs_ = intervalMs; }
  std::vector<std::string> requests() const;

 private:
  void Run();

  bool ok_ = false;
  UniqueFd socket_;
  std::vector<UniqueFd> senders_;  // one per reply, or invalid for socket_
  UniqueFd wake_;
  std::vector<Reply> replies_;
  std::atomic<int> floodMs_{0};
  mutable std::mutex mutex_;  // guards requests_
  std::vector<std::string> requests_;
  std::thread thread_;
};

// A UDP port that was free a moment ago on 0.0.0.0, for broadcast tests that
// must not share the box's fixed port with parallel tests.
uint16_t FreeUdpPort();

}  // namespace orbo::test
