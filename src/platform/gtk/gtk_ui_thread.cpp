#include "platform/gtk/gtk_ui_thread.h"

namespace orbo {
namespace {

// Tasks run per turn of the main loop before input and drawing get theirs,
// so a flood of scripts cannot starve the window.
constexpr size_t kTasksPerTurn = 64;

}  // namespace

GtkUiThread::GtkUiThread()
    : owner_(std::this_thread::get_id()), context_(g_main_context_ref(g_main_context_default())) {}

GtkUiThread::~GtkUiThread() {
  Shutdown();
  g_main_context_unref(context_);
}

bool GtkUiThread::IsCurrent() const {
  return std::this_thread::get_id() == owner_;
}

bool GtkUiThread::closed() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return closed_;
}

void GtkUiThread::Post(std::function<void()> task) {
  auto job = std::make_shared<Job>();
  job->fn = std::move(task);
  Enqueue(job);
}

void GtkUiThread::PostAndWait(std::function<void()> task) {
  RunAndWait(std::move(task));
}

bool GtkUiThread::RunAndWait(std::function<void()> task) {
  if (IsCurrent()) {
    if (closed()) return false;
    task();
    return true;
  }
  auto job = std::make_shared<Job>();
  job->fn = std::move(task);
  Enqueue(job);
  std::unique_lock<std::mutex> lock(mutex_);
  changed_.wait(lock, [&] { return job->finished || (closed_ && !job->started); });
  return job->finished;
}

void GtkUiThread::Enqueue(const std::shared_ptr<Job>& job) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (closed_) return;
  queue_.push_back(job);
  if (source_ == nullptr) {
    source_ = g_idle_source_new();
    g_source_set_priority(source_, G_PRIORITY_DEFAULT);
    g_source_set_callback(source_, &GtkUiThread::DrainThunk, this, nullptr);
    g_source_attach(source_, context_);
  }
}

gboolean GtkUiThread::DrainThunk(gpointer self) {
  return static_cast<GtkUiThread*>(self)->Drain();
}

gboolean GtkUiThread::Drain() {
  for (size_t n = 0; n < kTasksPerTurn; ++n) {
    std::shared_ptr<Job> job;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      if (closed_ || queue_.empty()) {
        if (source_ != nullptr) g_source_unref(source_);
        source_ = nullptr;
        return G_SOURCE_REMOVE;
      }
      job = std::move(queue_.front());
      queue_.pop_front();
      job->started = true;
    }
    // A task may run a nested main loop (a modal dialog); this source is
    // not re-entered meanwhile, so later tasks wait for it and keep order.
    job->fn();
    job->fn = nullptr;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      job->finished = true;
    }
    changed_.notify_all();
  }
  return G_SOURCE_CONTINUE;
}

void GtkUiThread::Shutdown() {
  std::deque<std::shared_ptr<Job>> dropped;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    closed_ = true;
    dropped.swap(queue_);
    if (source_ != nullptr) {
      // Drain() is not running now unless a task of it is on the stack; in
      // that case it sees closed_ and removes itself on return.
      g_source_destroy(source_);
      g_source_unref(source_);
      source_ = nullptr;
    }
  }
  changed_.notify_all();
  // Dropped tasks are destroyed here, outside the lock.
}

}  // namespace orbo
