#include "vcom/portd/traffic_tap.h"

#include <algorithm>
#include <chrono>
#include <cstring>

namespace orbo::vcom {

void TrafficTap::RecordWatched(TrafficDirection direction, const char* data, size_t n) {
  const int64_t now = std::chrono::duration_cast<std::chrono::microseconds>(
                          std::chrono::system_clock::now().time_since_epoch())
                          .count();
  std::lock_guard<std::mutex> lock(mutex_);
  if (waiting_.size() >= kTapRecords) {
    ++dropped_;
    return;
  }
  TapRecord& r = waiting_.emplace_back();
  r.timeUs = now;
  r.direction = direction;
  r.length = static_cast<uint32_t>(std::min<size_t>(n, UINT32_MAX));
  r.shown = static_cast<uint16_t>(std::min(n, kTapShownBytes));
  std::memcpy(r.bytes.data(), data, r.shown);
}

void TrafficTap::Watch() {
  std::lock_guard<std::mutex> lock(mutex_);
  if (watchers_.load() == 0) waiting_.reserve(kTapRecords);
  watchers_.fetch_add(1);
}

void TrafficTap::Unwatch() {
  std::lock_guard<std::mutex> lock(mutex_);
  if (watchers_.fetch_sub(1) == 1) {
    std::vector<TapRecord>().swap(waiting_);
    dropped_ = 0;
  }
}

uint64_t TrafficTap::Take(std::vector<TapRecord>* out) {
  out->clear();
  if (out->capacity() < kTapRecords) out->reserve(kTapRecords);
  std::lock_guard<std::mutex> lock(mutex_);
  out->swap(waiting_);
  const uint64_t dropped = dropped_;
  dropped_ = 0;
  return dropped;
}

}  // namespace orbo::vcom
