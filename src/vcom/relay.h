// The local TCP relay: listens on 127.0.0.1 at a local port and joins one
// local client at a time to the box's pass-through endpoint, copying bytes
// both ways. Further clients wait in the listen backlog until the live
// bridge ends.
//
// The relay waits on readiness (poll) instead of polling on a timer, moves
// up to 256 KiB per direction at once, and a stop request ends the live
// bridge at once, so StopRelay never waits on the peers. Towards a box the
// bytes move through a pipe with splice and are never copied through the
// process; between two loopback sockets a buffer is cheaper (measured:
// spliced loopback segments cost the whole path more CPU than the copy
// they save), and where the kernel refuses to splice the buffer is used
// too.
#pragma once

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

#include "base/unique_fd.h"

namespace orbo::vcom {

struct RelayEndpoint {
  int listenPort = 0;
  int remotePort = 0;
  std::string remoteHost;  // at most 39 bytes (longer names are cut)
};

class Relay {
 public:
  enum class Moving {
    kAuto,    // splice unless the remote is on the loopback network
    kSplice,  // always splice (where the kernel allows)
    kBuffer,  // always the buffer
  };
  explicit Relay(Moving moving = Moving::kAuto) : moving_(moving) {}
  ~Relay() { StopRelay(); }
  Relay(const Relay&) = delete;
  Relay& operator=(const Relay&) = delete;

  enum class StartResult {
    kListening,     // the relay accepts clients
    kBadPort,       // a port outside 1 to 65535: the relay ended at once
    kCannotListen,  // the local port cannot be bound or listened on
    kNoThread,      // the relay thread could not be started
  };
  // Stops a running relay, then starts one for a copy of endpoint. Every
  // result but kListening leaves no relay running (with a diagnostic).
  StartResult Start(const RelayEndpoint& endpoint);
  // Closes the listener, ends a live bridge by shutting its sockets, and
  // waits for the relay thread. Nothing when no relay runs.
  void StopRelay();
  // True while the relay accepts clients: it started and has not ended
  // (stopped, or an unresolvable host).
  bool listening() const { return listening_.load(); }
  // Live bridges: 0 or 1.
  int bridgeCount() const { return bridgeCount_.load(); }

 private:
  void RunRelay(UniqueFd listener, RelayEndpoint endpoint);
  // Copies bytes between client and remote until one side closes (what it
  // sent is delivered first) or fails, neither is ready for 300 s, or the
  // relay is stopped.
  void PumpBridge(int client, int remote);

  const Moving moving_;
  UniqueFd wake_;  // eventfd: readable when the relay is to stop
  std::thread thread_;
  std::atomic<bool> listening_{false};
  std::atomic<int> bridgeCount_{0};
};

}  // namespace orbo::vcom
