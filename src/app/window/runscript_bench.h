// orbo --bench-runscript N: how long RunScript takes from a worker thread's
// call to the page function running. A thread plays the box worker and
// calls RunScript("BenchMark(i);") N times, one after the other; the page
// function posts i back through a script message handler, and the time
// until the window receives it is one sample (so each sample also holds the
// hop back from the page).
#pragma once

#include <webkit2/webkit2.h>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/gtk/gtk_ui_thread.h"

namespace orbo {

class RunScriptBench {
 public:
  // run_script is the worker's RunScript (kind Script); finished is called
  // on the UI thread with the exit status once the figures are printed.
  RunScriptBench(WebKitUserContentManager* content, GtkUiThread* ui,
                 std::function<void(const std::string&)> run_script, int count,
                 std::function<void(int)> finished);
  // Stops the measuring thread and waits for it.
  ~RunScriptBench();
  RunScriptBench(const RunScriptBench&) = delete;
  RunScriptBench& operator=(const RunScriptBench&) = delete;

  // The page that defines BenchMark.
  static const char* PageHtml();
  // UI thread: the bench page has loaded; starts measuring (once).
  void OnPageLoaded();

 private:
  using Clock = std::chrono::steady_clock;
  static void OnMark(WebKitUserContentManager*, WebKitJavascriptResult* result, gpointer self);
  void Measure();

  WebKitUserContentManager* const content_;
  GtkUiThread* const ui_;
  const std::function<void(const std::string&)> run_script_;
  const int count_;
  const std::function<void(int)> finished_;
  gulong handler_ = 0;

  std::mutex mutex_;  // guards marked_, marked_at_, stop_
  std::condition_variable cv_;
  int marked_ = -1;
  Clock::time_point marked_at_;
  bool stop_ = false;
  std::thread thread_;
};

}  // namespace orbo
