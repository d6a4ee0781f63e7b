// The portable heart of the main window: the command state and its mutex,
// the page-call dispatch, the navigation buttons and the box worker. The
// GTK window and the headless page host both wrap one of these.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <mutex>
#include <optional>
#include <string>

#include "bridge/box_worker.h"
#include "bridge/bridge_services.h"
#include "bridge/command_state.h"
#include "bridge/page.h"
#include "bridge/page_command.h"
#include "platform/sleeper.h"

namespace orbo {

class Prompts;
class SettingsStore;

// Everything the main window's core calls out to. Pointers are borrowed and
// must outlive the MainFrameCore; a null service behaves as unavailable
// (logged, failure result).
struct BridgeServices {
  std::filesystem::path appDir;
  SettingsStore* settings = nullptr;
  PageView* view = nullptr;  // null: no browser view, navigation only updates currentPage
  Prompts* prompts = nullptr;
  // The worker's pauses (3000 ms start, 200 ms cycle). Null: the core uses a
  // RealSleeper of its own that StopWorker wakes, so the program never sits
  // out a pause on exit. An injected sleeper is cut short through onStop.
  Sleeper* sleeper = nullptr;
  // Called by StopWorker right after stopRequested is set, before joining:
  // wake whatever the worker, the link step or an operation may be pausing
  // on (e.g. RealSleeper::Wake of the sleeper shared with them).
  std::function<void()> onStop;
  // The worker's pause before its first cycle.
  int64_t workerStartDelayMs = kWorkerStartDelayMs;
  SetupFileBuilder* setup = nullptr;
  WifiStore* wifi = nullptr;
  PassThrough* passThrough = nullptr;
  EditorIntegration* editor = nullptr;
  LinkStep* link = nullptr;
  BoxOperations* operations = nullptr;
  // The cloud monitoring address (URL2 of html/Default.xml); may be empty.
  // nullopt when it cannot be read: the address the window has stays.
  std::function<std::optional<std::string>()> cloudUrl;
};

class MainFrameCore {
 public:
  // Computes firstPagePath, reads monitorUrl through services.cloudUrl, sets
  // currentPage = monitorUrl and the state to CommandState::MainWindowStart().
  // Does not start the worker.
  explicit MainFrameCore(BridgeServices services);
  // Stops the worker and waits for it.
  ~MainFrameCore();
  MainFrameCore(const MainFrameCore&) = delete;
  MainFrameCore& operator=(const MainFrameCore&) = delete;

  // One page call, with commandMutex held throughout (message boxes and
  // file dialogs included). Never on the UI thread: the window runs page
  // calls on its dispatcher thread, the headless host on its reader, so a
  // box operation that asks the UI thread a question cannot deadlock
  // against a page call waiting for the mutex. Returns 0, 1 (file dialog
  // cancelled), 2 (saving the configuration failed), or the result of
  // kEditorCheck (1/0) and kHmiDownload (the download tool's start result).
  int HandlePageCall(const std::string& v1, const std::string& v2);
  // Callable from any thread; never waits.
  void RunScript(std::string_view text, int kind) const { scripts_.RunScript(text, kind); }
  const PageScripts& scripts() const { return scripts_; }

  // Navigation buttons "monitor" and "setup"; they take commandMutex, so
  // like page calls they run on the window's dispatcher thread.
  void OnMonitorButton();
  void OnSetupButton();
  // Reads the cloud address again; when it could be read and differs from
  // monitorUrl, stores it, navigates the view to it and returns true (the caller then shows
  // the "ready" status text). currentPage is not changed.
  bool RefreshMonitorUrl();

  // Starts the BoxWorker; does nothing while it runs or once it was stopped.
  void StartWorker() { worker_.Start(); }
  // BoxWorker::Stop: calls services.onStop, wakes the worker's pauses and
  // waits for its current cycle to end. Safe to call repeatedly.
  void StopWorker() { worker_.Stop(); }

  const std::string& firstPagePath() const { return firstPagePath_; }
  std::string monitorUrl() const;
  std::string currentPage() const;

  // For tests and the front ends: a copy of the state under the mutex.
  CommandState StateSnapshot() const;

 private:
  BoxWorkerParts WorkerParts();
  // One row of the page-command table; commandMutex is held by the caller.
  int Dispatch(int command, const std::string& v2);
  int BuildSetupFile(const std::string& form);
  int ChooseProjectToSend();
  int ChooseProjectDestination(const std::string& password);
  void SaveWifiEntry(const std::string& v2);
  void ClearFirstStart();
  void Queue(int code, int detect);

  BridgeServices services_;
  PageScripts scripts_;
  const std::string firstPagePath_;

  // Guards state_ and serialises the dispatcher, the navigation buttons and
  // each whole worker cycle.
  mutable std::mutex commandMutex;
  CommandState state_;

  // Guards monitorUrl_ and currentPage_. Taken alone by the accessors, or
  // inside commandMutex (never the other way round), so reading the page
  // addresses never waits for a running box operation.
  mutable std::mutex pageMutex_;
  std::string monitorUrl_;
  std::string currentPage_;

  // Last: it uses the members above and is stopped first.
  BoxWorker worker_;
};

}  // namespace orbo
