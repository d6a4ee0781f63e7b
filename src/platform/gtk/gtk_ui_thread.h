// UiThread on the GTK main loop: tasks run in the order posted, from one
// idle source on the default main context.
#pragma once

#include <glib.h>

#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

#include "platform/ui_thread.h"

namespace orbo {

class GtkUiThread : public UiThread {
 public:
  // Binds to the calling thread, which runs the default GLib main context
  // (construct it on the UI thread).
  GtkUiThread();
  // Shuts down first; the main loop must no longer run this object's tasks.
  ~GtkUiThread() override;
  GtkUiThread(const GtkUiThread&) = delete;
  GtkUiThread& operator=(const GtkUiThread&) = delete;

  // Queues task; dropped once Shutdown() ran.
  void Post(std::function<void()> task) override;
  // Runs task on the UI thread and returns after it ran (at once when
  // called on the UI thread). Returns without running it when the UI
  // thread shuts down before the task started.
  void PostAndWait(std::function<void()> task) override;
  bool IsCurrent() const override;

  // As PostAndWait; true when the task ran, false when it was dropped.
  bool RunAndWait(std::function<void()> task);

  // Runs fn on the UI thread and returns its result, or nullopt when the
  // UI thread shut down first. The result lives in shared storage, so a
  // caller released by Shutdown never sees a late write.
  template <typename T>
  std::optional<T> Call(std::function<T()> fn) {
    auto result = std::make_shared<std::optional<T>>();
    RunAndWait([result, fn = std::move(fn)] { *result = fn(); });
    return std::move(*result);
  }

  // Ends service (UI thread): queued tasks are dropped, callers waiting for
  // a task that has not started are released, later posts are dropped. A
  // task that is running (for example a dialog's nested loop) finishes
  // normally and its caller waits for it. Safe to call repeatedly.
  void Shutdown();
  bool closed() const;

 private:
  struct Job {
    std::function<void()> fn;
    bool started = false;
    bool finished = false;
  };
  void Enqueue(const std::shared_ptr<Job>& job);
  static gboolean DrainThunk(gpointer self);
  gboolean Drain();

  const std::thread::id owner_;
  GMainContext* const context_;

  mutable std::mutex mutex_;  // guards queue_, source_, closed_ and every Job's flags
  std::condition_variable changed_;
  std::deque<std::shared_ptr<Job>> queue_;
  GSource* source_ = nullptr;  // the pending drain source, if any
  bool closed_ = false;
};

}  // namespace orbo
