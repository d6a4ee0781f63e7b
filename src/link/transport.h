// The three raw operations of a box link. Commands, replies and file data all
// pass through them; nothing here frames or interprets the bytes.
#pragma once

#include <cstddef>
#include <cstdint>

namespace orbo {

class Transport {
 public:
  virtual ~Transport() = default;
  // Sends length bytes. True when the transport accepted all of them; *count
  // gets the number sent (-1 when a USB write failed part-way).
  virtual bool Write(const void* data, size_t length, int64_t* count) = 0;
  // Receives at most length bytes into buffer, never more. True as each
  // transport defines it (TCP: the receive did not fail; USB: exactly length
  // bytes came); *count gets the bytes stored.
  virtual bool Read(void* buffer, size_t length, int64_t* count) = 0;
  // Read that waits at most wait_ms (and never longer than Read would) for
  // input. Transports without a finer wait read as Read does.
  virtual bool ReadWithin(void* buffer, size_t length, int64_t* count, int wait_ms) {
    (void)wait_ms;
    return Read(buffer, length, count);
  }
  // Discards stale input, as far as the transport can.
  virtual void Purge() = 0;
};

}  // namespace orbo
