// bench-libs: orbo_tool orbo_bridge orbo_settings orbo_platform orbo_base
// Time of a page call that only queues a command (the UI thread's cost)
// while the box worker runs idle cycles on the setup page. Target: under
// 1 ms. Prints median, p99 and max over many calls.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include <unistd.h>
#include "app/main_frame.h"
#include "settings/app_settings.h"

namespace {

// The link is never up, so the worker only takes the mutex and goes back to
// its 200 ms pause: the idle worker of a tool with no box attached.
class DownLink : public orbo::LinkStep {
 public:
  bool ConnectAndDetect(orbo::CommandState&) override { return false; }
  void Close() override {}
};

class DiscardingView : public orbo::PageView {
 public:
  void Evaluate(const std::string&) override {}
  void Navigate(const std::string&) override {}
  bool IsReady() const override { return true; }
};

}  // namespace

int main() {
  namespace fs = std::filesystem;
  const fs::path dir =
      fs::temp_directory_path() / ("orbo-bench-bridge-" + std::to_string(getpid()));
  fs::create_directories(dir);

  orbo::SettingsStore settings(dir);
  settings.Load();
  DiscardingView view;
  DownLink link;
  orbo::BridgeServices services;
  services.appDir = dir;
  services.settings = &settings;
  services.view = &view;
  services.link = &link;
  orbo::MainFrameCore core(services);
  core.OnSetupButton();
  core.StartWorker();

  constexpr int kCalls = 20000;
  const char* commands[] = {"1", "3", "5", "12", "16", "22"};
  std::vector<double> micros;
  micros.reserve(kCalls);
  for (int i = 0; i < kCalls; ++i) {
    const auto start = std::chrono::steady_clock::now();
    core.HandlePageCall(commands[i % 6], "192.168.1.20");
    const auto end = std::chrono::steady_clock::now();
    micros.push_back(std::chrono::duration<double, std::micro>(end - start).count());
  }
  core.StopWorker();

  std::sort(micros.begin(), micros.end());
  const double median = micros[micros.size() / 2];
  const double p99 = micros[micros.size() * 99 / 100];
  std::printf("queue-only page call, %d calls, worker idle on the setup page\n", kCalls);
  std::printf("  median %.2f us   p99 %.2f us   max %.2f us   (target < 1000 us)\n", median, p99,
              micros.back());
  fs::remove_all(dir);
  return p99 < 1000.0 ? 0 : 1;
}
