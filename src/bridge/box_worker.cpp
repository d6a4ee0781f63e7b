#include "bridge/box_worker.h"

#include "base/logger.h"

namespace orbo {

BoxWorker::BoxWorker(BoxWorkerParts parts)
    : parts_(std::move(parts)),
      sleeper_(parts_.sleeper != nullptr ? parts_.sleeper : &ownSleeper_) {}

BoxWorker::~BoxWorker() {
  Stop();
}

void BoxWorker::Start() {
  std::lock_guard<std::mutex> guard(threadMutex_);
  if (thread_.joinable() || stopRequested_) return;
  thread_ = std::thread([this] { Loop(); });
}

void BoxWorker::Stop() {
  std::lock_guard<std::mutex> guard(threadMutex_);
  stopRequested_ = true;
  if (parts_.onStop) parts_.onStop();
  ownSleeper_.Wake();
  if (thread_.joinable()) thread_.join();
}

void BoxWorker::Loop() {
  sleeper_->SleepMs(parts_.startDelayMs);
  while (!stopRequested_) {
    sleeper_->SleepMs(kWorkerCycleMs);
    // A stop that arrives during the pause ends the thread without opening
    // the link once more.
    if (stopRequested_) break;
    Cycle();
  }
  if (parts_.link != nullptr) parts_.link->Close();
}

void BoxWorker::Cycle() {
  std::lock_guard<std::mutex> lock(*parts_.commandMutex);
  // Checked under the command mutex, so a navigation that was waiting for
  // it cannot be overtaken by a cycle for the page just left.
  if (!parts_.onSetupPage || !parts_.onSetupPage()) return;
  CommandState& state = *parts_.state;
  if (parts_.link == nullptr || !parts_.link->ConnectAndDetect(state)) return;
  if (state.pendingCommand == -1) return;
  parts_.scripts->Run("DisableOperate(true);");
  const BoxOperation operation = OperationOfQueued(state.pendingCommand);
  if (!IsWorkerOperation(operation)) {
    ORBO_LOG_DEBUG("worker: command %d has no operation; dropped", state.pendingCommand);
  } else if (parts_.operations != nullptr) {
    parts_.operations->Run(operation, state);
  }
  state.pendingCommand = -1;
}

}  // namespace orbo
