// BoxWorker: the one thread that talks to the box link. After a start delay
// it wakes every cycle; while the setup page is shown it takes the command
// mutex for the whole cycle, runs the link step and, when that succeeded,
// the queued operation.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>

#include "bridge/bridge_services.h"
#include "bridge/command_state.h"
#include "bridge/page.h"
#include "platform/sleeper.h"

namespace orbo {

inline constexpr int64_t kWorkerStartDelayMs = 3000;
inline constexpr int64_t kWorkerCycleMs = 200;

// What the worker borrows from its owner; everything must outlive it.
struct BoxWorkerParts {
  std::mutex* commandMutex = nullptr;    // held for each whole cycle; required
  CommandState* state = nullptr;         // guarded by *commandMutex; required
  const PageScripts* scripts = nullptr;  // required
  LinkStep* link = nullptr;              // null: no cycle's link step succeeds
  BoxOperations* operations = nullptr;   // null: queued operations are dropped
  // True while the setup page is shown; asked with *commandMutex held.
  std::function<bool()> onSetupPage;
  // Every pause. Null: a RealSleeper of the worker's own, woken by Stop.
  Sleeper* sleeper = nullptr;
  // Called by Stop after the stop flag is set, before joining: wakes an
  // injected sleeper (and whatever the link step or an operation pauses on).
  std::function<void()> onStop;
  int64_t startDelayMs = kWorkerStartDelayMs;
};

class BoxWorker {
 public:
  explicit BoxWorker(BoxWorkerParts parts);
  // Stops the thread and waits for it.
  ~BoxWorker();
  BoxWorker(const BoxWorker&) = delete;
  BoxWorker& operator=(const BoxWorker&) = delete;

  // Starts the thread; does nothing while it runs or once it was stopped
  // (its sleeper has been woken for good). Any thread.
  void Start();
  // Sets the stop flag, calls onStop, wakes the own sleeper and waits for
  // the current cycle to end; the link step is closed by the thread. Safe
  // to call repeatedly, from any thread but the worker's.
  void Stop();

 private:
  void Loop();
  void Cycle();

  BoxWorkerParts parts_;
  RealSleeper ownSleeper_;
  Sleeper* sleeper_;
  std::atomic<bool> stopRequested_{false};
  std::mutex threadMutex_;  // guards thread_ (Start and Stop)
  std::thread thread_;
};

}  // namespace orbo
