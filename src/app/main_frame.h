// The portable heart of the main window: the command state and its mutex,
// the page-call dispatcher, the navigation buttons and the box worker. The
// GTK window and the headless page host both wrap one of these.
#pragma once

#include <atomic>
#include <filesystem>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

#include "app/bridge_services.h"
#include "app/command_state.h"
#include "app/page.h"

namespace orbo {

class Prompts;
class Sleeper;
class SettingsStore;

struct BridgeServices {
  std::filesystem::path appDir;
  SettingsStore* settings = nullptr;
  PageView* view = nullptr;
  Prompts* prompts = nullptr;
  Sleeper* sleeper = nullptr;  // the worker's pauses
  SetupFileBuilder* setup = nullptr;
  WifiStore* wifi = nullptr;
  PassThrough* passThrough = nullptr;
  EditorIntegration* editor = nullptr;
  LinkStep* link = nullptr;
  BoxOperations* operations = nullptr;
  // The cloud monitoring address (URL2 of html/Default.xml).
  std::function<std::string()> cloudUrl;
};

class MainFrameCore {
 public:
  explicit MainFrameCore(BridgeServices services);
  // Stops the worker and waits for it.
  ~MainFrameCore();
  MainFrameCore(const MainFrameCore&) = delete;
  MainFrameCore& operator=(const MainFrameCore&) = delete;

  // One page call, on the UI thread: 0, 1 (file dialog cancelled), 2
  // (saving the configuration failed), or the result of commands 23 and 24.
  int HandlePageCall(const std::string& v1, const std::string& v2);
  // Callable from any thread; never waits.
  void RunScript(std::string_view text, int kind) const { scripts_.RunScript(text, kind); }
  const PageScripts& scripts() const { return scripts_; }

  // Navigation buttons "monitor" and "setup".
  void OnMonitorButton();
  void OnSetupButton();

  void StartWorker();
  void StopWorker();

  std::string firstPagePath() const { return firstPagePath_; }
  std::string monitorUrl() const;
  void SetMonitorUrl(const std::string& url);
  std::string currentPage() const;

  // For tests and the front ends: a copy of the state under the mutex.
  CommandState StateSnapshot() const;

 private:
  void WorkerLoop();

  BridgeServices services_;
  PageScripts scripts_;
  const std::string firstPagePath_;

  mutable std::mutex commandMutex;  // guards state_, monitorUrl_, currentPage_
  CommandState state_;
  std::string monitorUrl_;
  std::string currentPage_;

  std::atomic<int> stopRequested{0};
  std::thread worker_;
};

}  // namespace orbo
