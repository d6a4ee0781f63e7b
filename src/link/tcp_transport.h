// The box link over TCP: one send per write, one receive per read, no framing.
#pragma once

#include <cstdint>
#include <mutex>
#include <string>

#include "base/unique_fd.h"
#include "link/transport.h"

namespace orbo {

struct TcpTimeouts {
  int connect_ms = 100;  // how long a connect may take
  int io_ms = 10000;     // SO_SNDTIMEO and SO_RCVTIMEO
  int purge_ms = 20;     // how long purge waits for stale input
};

class TcpTransport : public Transport {
 public:
  explicit TcpTransport(TcpTimeouts timeouts = {}) : timeouts_(timeouts) {}
  TcpTransport(const TcpTransport&) = delete;
  TcpTransport& operator=(const TcpTransport&) = delete;

  // Closes any previous connection, then connects to address:port (dotted
  // IPv4). False at once for an empty or unparsable address, else false when
  // the box does not accept within the connect limit; the socket is then
  // closed.
  bool Connect(const std::string& address, int port);
  void Close();
  bool connected() const { return fd_.valid(); }
  // Shuts the connection down so that a read or write blocked in another
  // thread returns at once. Any thread; the socket stays open until Close.
  void Shutdown();

  // One send of all bytes; false when the send fails (count 0 then).
  bool Write(const void* data, size_t length, int64_t* count) override;
  // One receive of up to length bytes; false when it fails or times out.
  // A closed connection gives true with count 0.
  bool Read(void* buffer, size_t length, int64_t* count) override;
  // Read with a wait of at most wait_ms (and never more than the I/O limit).
  bool ReadWithin(void* buffer, size_t length, int64_t* count, int wait_ms) override;
  // Receives and drops input until none arrives within the purge wait, so
  // the rest of an overlong reply cannot pass for the next command's answer.
  // A box that never stops sending is given up on after kPurgeLimitMs.
  void Purge() override;

  static constexpr int kPurgeLimitMs = 1000;

 private:
  TcpTimeouts timeouts_;
  // Written by the link's thread only (Connect, Close); Shutdown from
  // another thread reads it under fdMutex_ so it never meets a closed,
  // reused descriptor.
  std::mutex fdMutex_;
  UniqueFd fd_;
};

}  // namespace orbo
