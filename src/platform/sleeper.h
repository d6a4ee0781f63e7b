// Every pause the box protocol relies on goes through a Sleeper, so tests can
// drive time and the real program keeps its timing.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>

namespace orbo {

class Sleeper {
 public:
  virtual ~Sleeper() = default;
  virtual void SleepMs(int64_t ms) = 0;
};

// Real time; Wake() ends the current and every later sleep at once, so a
// thread that is being stopped does not sit out its pauses.
class RealSleeper : public Sleeper {
 public:
  void SleepMs(int64_t ms) override;
  void Wake();
  bool woken() const;

 private:
  mutable std::mutex mutex_;  // guards woken_
  std::condition_variable cv_;
  bool woken_ = false;
};

// A process-wide real sleeper that is never woken.
Sleeper& SystemSleeper();

}  // namespace orbo
