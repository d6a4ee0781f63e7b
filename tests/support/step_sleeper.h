// A Sleeper the test steps: every SleepMs blocks until the test lets that
// pause end (Advance) or releases the sleeper for good (Release). A thread
// that pauses between units of work (the box worker) thus runs exactly as
// many units as the test allows, without real waiting.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <vector>

#include "platform/sleeper.h"

namespace orbo::test {

class StepSleeper : public Sleeper {
 public:
  void SleepMs(int64_t ms) override {
    std::unique_lock<std::mutex> lock(mutex_);
    const uint64_t index = ++entered_;
    pauses_.push_back(ms);
    cv_.notify_all();
    cv_.wait(lock, [&] { return released_ || allowed_ >= index; });
  }

  // Ends the oldest pending pause and waits until the sleeping thread has
  // entered its next pause (so the work in between is done). False when
  // that did not happen within the timeout.
  bool Advance(int times = 1, std::chrono::seconds timeout = std::chrono::seconds(30)) {
    std::unique_lock<std::mutex> lock(mutex_);
    for (int i = 0; i < times; ++i) {
      if (!cv_.wait_for(lock, timeout, [&] { return entered_ > allowed_; })) return false;
      ++allowed_;
      cv_.notify_all();
      if (!cv_.wait_for(lock, timeout, [&] { return entered_ > allowed_; })) return false;
    }
    return true;
  }

  // Waits until a thread is pausing (the first SleepMs has been entered).
  bool WaitUntilSleeping(std::chrono::seconds timeout = std::chrono::seconds(30)) {
    std::unique_lock<std::mutex> lock(mutex_);
    return cv_.wait_for(lock, timeout, [&] { return entered_ > allowed_; });
  }

  // Every current and later pause ends at once.
  void Release() {
    std::lock_guard<std::mutex> lock(mutex_);
    released_ = true;
    cv_.notify_all();
  }

  std::vector<int64_t> pauses() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return pauses_;
  }

 private:
  mutable std::mutex mutex_;  // guards everything below
  std::condition_variable cv_;
  uint64_t entered_ = 0;  // SleepMs calls so far
  uint64_t allowed_ = 0;  // pauses the test has ended
  bool released_ = false;
  std::vector<int64_t> pauses_;
};

}  // namespace orbo::test
