// One thread that runs the window's page calls and navigation buttons in
// the order they came. The UI thread hands work over and never waits for
// commandMutex, so a question the box worker asks mid-cycle (which needs
// the UI thread) cannot deadlock against a page call.
#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

namespace orbo {

class PageCallDispatcher {
 public:
  PageCallDispatcher();
  // Stops (see Stop).
  ~PageCallDispatcher();
  PageCallDispatcher(const PageCallDispatcher&) = delete;
  PageCallDispatcher& operator=(const PageCallDispatcher&) = delete;

  // Queues task; never waits. Dropped once Stop() was called.
  void Post(std::function<void()> task);
  // Drops the tasks not yet started, waits for the running one to end and
  // joins the thread. Safe to call repeatedly.
  void Stop();
  // Number of tasks waiting (not counting a running one).
  size_t pending() const;

 private:
  void Loop();

  mutable std::mutex mutex_;  // guards queue_ and stopping_
  std::condition_variable wake_;
  std::deque<std::function<void()>> queue_;
  bool stopping_ = false;
  std::thread thread_;  // started last, joined by Stop
};

}  // namespace orbo
