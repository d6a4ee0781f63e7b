// What a port's traffic monitor sees: the bridge thread records each chunk
// it moves (direction, time, length and its first bytes), the service's
// control loop takes the records and writes them to the monitors.
//
// While nobody watches, recording is one atomic load. While somebody
// does, the records wait in a bounded buffer; when it is full further
// chunks are counted as dropped instead of slowing the data path.
#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <vector>

namespace orbo::vcom {

enum class TrafficDirection : uint8_t { kToNetwork, kFromNetwork };

// Bytes kept of one chunk, and the records waiting at most: with the
// service taking them every 50 ms a monitor shows up to about 5000 chunks
// a second, which bulk traffic exceeds; the rest is counted.
inline constexpr size_t kTapShownBytes = 256;
inline constexpr size_t kTapRecords = 256;

struct TapRecord {
  int64_t timeUs = 0;  // wall clock, microseconds since 1970
  TrafficDirection direction = TrafficDirection::kToNetwork;
  uint32_t length = 0;  // the whole chunk
  uint16_t shown = 0;   // bytes kept, at most kTapShownBytes
  std::array<char, kTapShownBytes> bytes;
};

class TrafficTap {
 public:
  // Bridge thread.
  void Record(TrafficDirection direction, const char* data, size_t n) {
    if (n == 0 || watchers_.load(std::memory_order_relaxed) == 0) return;
    RecordWatched(direction, data, n);
  }
  // Control thread: a monitor comes or goes. The last one to go empties
  // the buffer.
  void Watch();
  void Unwatch();
  // Control thread: swaps the waiting records into *out (its old contents
  // are dropped) and returns how many chunks were dropped since the last
  // call because the buffer was full.
  uint64_t Take(std::vector<TapRecord>* out);

 private:
  void RecordWatched(TrafficDirection direction, const char* data, size_t n);

  std::atomic<int> watchers_{0};
  std::mutex mutex_;  // guards waiting_ and dropped_
  std::vector<TapRecord> waiting_;
  uint64_t dropped_ = 0;
};

}  // namespace orbo::vcom
