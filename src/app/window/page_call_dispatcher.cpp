#include "app/window/page_call_dispatcher.h"

namespace orbo {

PageCallDispatcher::PageCallDispatcher() : thread_([this] { Loop(); }) {}

PageCallDispatcher::~PageCallDispatcher() {
  Stop();
}

void PageCallDispatcher::Post(std::function<void()> task) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (stopping_) return;
    queue_.push_back(std::move(task));
  }
  wake_.notify_one();
}

size_t PageCallDispatcher::pending() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return queue_.size();
}

void PageCallDispatcher::Stop() {
  std::deque<std::function<void()>> dropped;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
    dropped.swap(queue_);
  }
  wake_.notify_one();
  if (thread_.joinable() && thread_.get_id() != std::this_thread::get_id()) thread_.join();
}

void PageCallDispatcher::Loop() {
  for (;;) {
    std::function<void()> task;
    {
      std::unique_lock<std::mutex> lock(mutex_);
      wake_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
      if (stopping_) return;
      task = std::move(queue_.front());
      queue_.pop_front();
    }
    task();
  }
}

}  // namespace orbo
