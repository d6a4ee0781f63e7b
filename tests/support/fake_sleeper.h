// A Sleeper that does not sleep: it adds the asked time to a virtual clock
// and records each pause, so tests see the protocol's pauses without
// waiting for them.
#pragma once

#include <cstdint>
#include <mutex>
#include <vector>

#include "platform/sleeper.h"

namespace orbo::test {

class FakeSleeper : public Sleeper {
 public:
  void SleepMs(int64_t ms) override {
    std::lock_guard<std::mutex> lock(mutex_);
    now_ms_ += ms;
    pauses_.push_back(ms);
  }
  int64_t now_ms() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return now_ms_;
  }
  std::vector<int64_t> pauses() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return pauses_;
  }

 private:
  mutable std::mutex mutex_;  // guards now_ms_ and pauses_
  int64_t now_ms_ = 0;
  std::vector<int64_t> pauses_;
};

}  // namespace orbo::test
