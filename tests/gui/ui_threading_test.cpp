// The UI thread's task queue and the page-call dispatcher: order, waiting,
// and shutdown while other threads wait for the UI thread.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "app/window/page_call_dispatcher.h"
#include "platform/gtk/gtk_ui_thread.h"

namespace orbo {
namespace {

constexpr auto kPatience = std::chrono::seconds(30);

// Serves the default main context on the test thread until done() holds.
bool PumpUntil(const std::function<bool()>& done) {
  const auto deadline = std::chrono::steady_clock::now() + kPatience;
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    g_main_context_iteration(nullptr, FALSE);
    std::this_thread::yield();
  }
  return true;
}

TEST(GtkUiThreadTest, TasksFromManyThreadsRunOnTheUiThreadInPostOrder) {
  GtkUiThread ui;
  std::mutex mutex;  // guards seen
  std::vector<std::pair<int, int>> seen;
  std::atomic<int> off_thread{0};
  std::vector<std::thread> posters;
  for (int t = 0; t < 3; ++t) {
    posters.emplace_back([&, t] {
      for (int i = 0; i < 200; ++i) {
        ui.Post([&, t, i] {
          if (!ui.IsCurrent()) ++off_thread;
          std::lock_guard<std::mutex> lock(mutex);
          seen.emplace_back(t, i);
        });
      }
    });
  }
  for (auto& poster : posters) poster.join();
  ASSERT_TRUE(PumpUntil([&] {
    std::lock_guard<std::mutex> lock(mutex);
    return seen.size() == 600;
  }));
  EXPECT_EQ(off_thread, 0);
  std::vector<int> next(3, 0);
  for (const auto& [t, i] : seen) EXPECT_EQ(i, next[t]++);
}

TEST(GtkUiThreadTest, CallWaitsForTheResultAndRunsInlineOnTheUiThread) {
  GtkUiThread ui;
  auto answer = std::async(std::launch::async, [&] { return ui.Call<int>([] { return 42; }); });
  ASSERT_TRUE(PumpUntil(
      [&] { return answer.wait_for(std::chrono::seconds(0)) == std::future_status::ready; }));
  EXPECT_EQ(answer.get(), 42);
  bool ran = false;
  EXPECT_TRUE(ui.RunAndWait([&] { ran = true; }));  // no pumping needed
  EXPECT_TRUE(ran);
}

TEST(GtkUiThreadTest, ShutdownReleasesWaitersAndDropsLaterWork) {
  GtkUiThread ui;
  std::atomic<bool> task_ran{false};
  auto waiter = std::async(std::launch::async, [&] {
    return ui.Call<int>([&] {
      task_ran = true;
      return 1;
    });
  });
  // Whether or not the waiter has queued its task yet, it is released
  // without the task running.
  ui.Shutdown();
  ASSERT_EQ(waiter.wait_for(kPatience), std::future_status::ready);
  EXPECT_EQ(waiter.get(), std::nullopt);
  ui.Post([&] { task_ran = true; });
  EXPECT_FALSE(ui.RunAndWait([&] { task_ran = true; }));
  for (int i = 0; i < 10; ++i) g_main_context_iteration(nullptr, FALSE);
  EXPECT_FALSE(task_ran);
}

TEST(GtkUiThreadTest, RunningTaskFinishesWhenShutdownComesFromItsNestedLoop) {
  GtkUiThread ui;
  std::atomic<bool> finished{false};
  auto waiter = std::async(std::launch::async, [&] {
    return ui.RunAndWait([&] {
      // A modal dialog's nested loop, during which the window is closed.
      bool closed = false;
      g_idle_add(
          [](gpointer data) -> gboolean {
            std::unique_ptr<std::pair<GtkUiThread*, bool*>> args(
                static_cast<std::pair<GtkUiThread*, bool*>*>(data));
            args->first->Shutdown();
            *args->second = true;
            return G_SOURCE_REMOVE;
          },
          new std::pair<GtkUiThread*, bool*>(&ui, &closed));
      while (!closed) g_main_context_iteration(nullptr, TRUE);
      finished = true;
    });
  });
  ASSERT_TRUE(PumpUntil([&] { return finished.load(); }));
  ASSERT_EQ(waiter.wait_for(kPatience), std::future_status::ready);
  EXPECT_TRUE(waiter.get());  // it ran, so its caller is told so
}

TEST(PageCallDispatcherTest, RunsTasksInOrderOffTheCallingThread) {
  PageCallDispatcher dispatcher;
  std::promise<void> done;
  std::vector<int> order;  // written by the dispatcher thread only
  std::atomic<bool> on_caller{false};
  const auto caller = std::this_thread::get_id();
  for (int i = 0; i < 100; ++i) {
    dispatcher.Post([&, i] {
      if (std::this_thread::get_id() == caller) on_caller = true;
      order.push_back(i);
      if (i == 99) done.set_value();
    });
  }
  ASSERT_EQ(done.get_future().wait_for(kPatience), std::future_status::ready);
  dispatcher.Stop();
  EXPECT_FALSE(on_caller);
  for (int i = 0; i < 100; ++i) EXPECT_EQ(order[i], i);
}

TEST(PageCallDispatcherTest, StopFinishesTheRunningTaskAndDropsTheRest) {
  PageCallDispatcher dispatcher;
  std::promise<void> started;
  std::promise<void> release;
  std::shared_future<void> released = release.get_future().share();
  std::atomic<int> ran{0};
  dispatcher.Post([&] {
    started.set_value();
    released.wait();
    ++ran;
  });
  dispatcher.Post([&] { ++ran; });
  ASSERT_EQ(started.get_future().wait_for(kPatience), std::future_status::ready);
  EXPECT_EQ(dispatcher.pending(), 1u);
  auto stopper = std::async(std::launch::async, [&] { dispatcher.Stop(); });
  EXPECT_EQ(stopper.wait_for(std::chrono::milliseconds(50)), std::future_status::timeout);
  release.set_value();
  ASSERT_EQ(stopper.wait_for(kPatience), std::future_status::ready);
  EXPECT_EQ(ran, 1);
  dispatcher.Post([&] { ++ran; });
  EXPECT_EQ(ran, 1);
}

// The window's concurrency design: the worker holds the command lock and
// asks the user (on the UI thread) while a page call waits for that lock on
// the dispatcher. The UI thread never blocks, so everything completes.
TEST(PageCallDispatcherTest, WorkerQuestionDuringWaitingPageCallDoesNotDeadlock) {
  GtkUiThread ui;
  PageCallDispatcher dispatcher;
  std::mutex command_mutex;
  std::promise<void> worker_locked;
  std::promise<void> page_call_waiting;
  std::atomic<bool> page_call_done{false};
  std::atomic<bool> asked{false};
  std::thread worker([&] {
    std::lock_guard<std::mutex> lock(command_mutex);
    worker_locked.set_value();
    page_call_waiting.get_future().wait();
    asked = ui.Call<bool>([] { return true; }).value_or(false);
  });
  worker_locked.get_future().wait();
  dispatcher.Post([&] {
    page_call_waiting.set_value();
    std::lock_guard<std::mutex> lock(command_mutex);
    page_call_done = true;
  });
  ASSERT_TRUE(PumpUntil([&] { return page_call_done.load(); }));
  worker.join();
  EXPECT_TRUE(asked);
}

}  // namespace
}  // namespace orbo
