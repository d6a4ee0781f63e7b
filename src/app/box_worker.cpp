// BoxWorker: the one thread that talks to the box link. Every 200 ms while
// the setup page is shown it takes commandMutex for a whole cycle, runs the
// link step and, when that succeeded, the queued operation.
#include "app/box_worker.h"

#include "app/main_frame.h"
#include "base/logger.h"

namespace orbo {

bool IsWorkerOperation(int code) {
  switch (code) {
    case 1:
    case 2:
    case 3:
    case 4:
    case 5:
    case 13:
    case 14:
    case 15:
    case 16:
    case 18:
      return true;
    default:
      return false;
  }
}

void MainFrameCore::StartWorker() {
  std::lock_guard<std::mutex> guard(workerMutex_);
  // A stopped worker stays stopped: its sleeper has been woken for good.
  if (worker_.joinable() || stopRequested != 0) return;
  worker_ = std::thread([this] { WorkerLoop(); });
}

void MainFrameCore::StopWorker() {
  std::lock_guard<std::mutex> guard(workerMutex_);
  stopRequested = 1;
  if (services_.onStop) services_.onStop();
  ownSleeper_.Wake();
  if (worker_.joinable()) worker_.join();
}

void MainFrameCore::WorkerLoop() {
  sleeper_->SleepMs(kWorkerStartDelayMs);
  while (stopRequested == 0) {
    sleeper_->SleepMs(kWorkerCycleMs);
    // A stop that arrives during the pause ends the thread without opening
    // the link once more.
    if (stopRequested != 0) break;
    std::lock_guard<std::mutex> lock(commandMutex);
    // Checked under commandMutex, so a navigation that was waiting for the
    // mutex cannot be overtaken by a cycle for the page just left.
    if (currentPage() != firstPagePath_) continue;
    if (services_.link == nullptr || !services_.link->ConnectAndDetect(state_)) continue;
    if (state_.pendingCommand == -1) continue;
    scripts_.Run("DisableOperate(true);");
    const int code = state_.pendingCommand;
    if (!IsWorkerOperation(code)) {
      ORBO_LOG_DEBUG("worker: command %d has no operation; dropped", code);
    } else if (services_.operations != nullptr) {
      services_.operations->Run(code, state_);
    }
    state_.pendingCommand = -1;
  }
  if (services_.link != nullptr) services_.link->Close();
}

}  // namespace orbo
