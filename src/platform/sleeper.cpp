#include "platform/sleeper.h"

#include <chrono>

namespace orbo {

void RealSleeper::SleepMs(int64_t ms) {
  if (ms <= 0) return;
  std::unique_lock<std::mutex> lock(mutex_);
  cv_.wait_for(lock, std::chrono::milliseconds(ms), [this] { return woken_; });
}

void RealSleeper::Wake() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    woken_ = true;
  }
  cv_.notify_all();
}

bool RealSleeper::woken() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return woken_;
}

Sleeper& SystemSleeper() {
  static RealSleeper sleeper;
  return sleeper;
}

}  // namespace orbo
