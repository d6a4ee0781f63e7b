#include "app/window/runscript_bench.h"

#include <algorithm>
#include <cstdio>

namespace orbo {
namespace {

constexpr char kHandlerName[] = "orboBench";
constexpr int kWarmUp = 20;
// A sample that takes longer than this ends the run as a failure.
constexpr auto kSampleTimeout = std::chrono::seconds(30);

double Percentile(const std::vector<double>& sorted, double p) {
  const size_t index = static_cast<size_t>(p * static_cast<double>(sorted.size() - 1) + 0.5);
  return sorted[std::min(index, sorted.size() - 1)];
}

}  // namespace

RunScriptBench::RunScriptBench(WebKitUserContentManager* content, GtkUiThread* ui,
                               std::function<void(const std::string&)> run_script, int count,
                               std::function<void(int)> finished)
    : content_(content),
      ui_(ui),
      run_script_(std::move(run_script)),
      count_(count),
      finished_(std::move(finished)) {
  webkit_user_content_manager_register_script_message_handler(content_, kHandlerName);
  handler_ = g_signal_connect(content_, "script-message-received::orboBench",
                              G_CALLBACK(&RunScriptBench::OnMark), this);
}

RunScriptBench::~RunScriptBench() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stop_ = true;
  }
  cv_.notify_all();
  if (thread_.joinable()) thread_.join();
  g_signal_handler_disconnect(content_, handler_);
  webkit_user_content_manager_unregister_script_message_handler(content_, kHandlerName);
}

const char* RunScriptBench::PageHtml() {
  return "<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>bench</title><script>"
         "function BenchMark(i) { window.webkit.messageHandlers.orboBench.postMessage(i); }"
         "</script></head><body>RunScript latency</body></html>";
}

void RunScriptBench::OnMark(WebKitUserContentManager*, WebKitJavascriptResult* result,
                            gpointer self) {
  auto* bench = static_cast<RunScriptBench*>(self);
  const Clock::time_point now = Clock::now();
  const int value = jsc_value_to_int32(webkit_javascript_result_get_js_value(result));
  {
    std::lock_guard<std::mutex> lock(bench->mutex_);
    bench->marked_ = value;
    bench->marked_at_ = now;
  }
  bench->cv_.notify_all();
}

void RunScriptBench::OnPageLoaded() {
  if (thread_.joinable()) return;
  thread_ = std::thread([this] { Measure(); });
}

void RunScriptBench::Measure() {
  std::vector<double> samples;
  samples.reserve(static_cast<size_t>(count_));
  bool failed = false;
  for (int i = 0; i < kWarmUp + count_ && !failed; ++i) {
    const Clock::time_point start = Clock::now();
    run_script_("BenchMark(" + std::to_string(i) + ");");
    std::unique_lock<std::mutex> lock(mutex_);
    if (!cv_.wait_for(lock, kSampleTimeout, [&] { return stop_ || marked_ == i; }) || stop_) {
      failed = true;
      break;
    }
    if (i >= kWarmUp) {
      samples.push_back(std::chrono::duration<double, std::milli>(marked_at_ - start).count());
    }
  }
  int status = 1;
  if (!failed && !samples.empty()) {
    std::sort(samples.begin(), samples.end());
    std::printf(
        "runscript latency, worker thread to page function, %zu calls: median %.3f ms, "
        "p90 %.3f ms, p99 %.3f ms, max %.3f ms\n",
        samples.size(), Percentile(samples, 0.5), Percentile(samples, 0.9),
        Percentile(samples, 0.99), samples.back());
    std::fflush(stdout);
    status = 0;
  } else {
    std::fprintf(stderr, "orbo: runscript bench did not complete\n");
  }
  ui_->Post([this, status] { finished_(status); });
}

}  // namespace orbo
