#include "app/main_frame.h"

#include "base/logger.h"
#include "settings/app_settings.h"

namespace orbo {
namespace {

PageScripts::TextLookup LookupFrom(SettingsStore* settings) {
  if (settings == nullptr) return {};
  return [settings](std::string_view key) { return settings->LookupText(key); };
}

}  // namespace

MainFrameCore::MainFrameCore(BridgeServices services)
    : services_(std::move(services)),
      scripts_(services_.view, LookupFrom(services_.settings)),
      firstPagePath_((services_.appDir / "html" / "first_page.html").string()),
      state_(CommandState::MainWindowStart()),
      worker_(WorkerParts()) {
  if (services_.cloudUrl) monitorUrl_ = services_.cloudUrl().value_or(std::string());
  currentPage_ = monitorUrl_;
}

MainFrameCore::~MainFrameCore() {
  StopWorker();
}

BoxWorkerParts MainFrameCore::WorkerParts() {
  BoxWorkerParts parts;
  parts.commandMutex = &commandMutex;
  parts.state = &state_;
  parts.scripts = &scripts_;
  parts.link = services_.link;
  parts.operations = services_.operations;
  parts.onSetupPage = [this] { return currentPage() == firstPagePath_; };
  parts.sleeper = services_.sleeper;
  parts.onStop = services_.onStop;
  parts.startDelayMs = services_.workerStartDelayMs;
  return parts;
}

void MainFrameCore::OnMonitorButton() {
  std::lock_guard<std::mutex> lock(commandMutex);
  std::string target;
  bool leaving_setup;
  {
    std::lock_guard<std::mutex> page(pageMutex_);
    leaving_setup = currentPage_ == firstPagePath_;
    currentPage_ = monitorUrl_;
    target = monitorUrl_;
  }
  // The setup page saves its state before it goes.
  if (leaving_setup) scripts_.Run("SaveSetting();");
  if (services_.view != nullptr) services_.view->Navigate(target);
}

void MainFrameCore::OnSetupButton() {
  std::lock_guard<std::mutex> lock(commandMutex);
  {
    std::lock_guard<std::mutex> page(pageMutex_);
    if (currentPage_ == monitorUrl_) state_.offerSetupUpload = 1;
    currentPage_ = firstPagePath_;
  }
  if (services_.view == nullptr) return;
  services_.view->Navigate(firstPagePath_);
  // Reconnect over USB and identify the box; the link step clears kSetupButton.
  state_.connectMode = "USB:Download";
  state_.boxAddress.clear();
  state_.pendingCommand = Code(PageCommand::kSetupButton);
  state_.detectRequested = 1;
  state_.linkDown = 0;
}

bool MainFrameCore::RefreshMonitorUrl() {
  if (!services_.cloudUrl) return false;
  const std::optional<std::string> read = services_.cloudUrl();
  // An unreadable file leaves the address as it was.
  if (!read) return false;
  const std::string url = *read;
  {
    std::lock_guard<std::mutex> page(pageMutex_);
    if (url == monitorUrl_) return false;
    monitorUrl_ = url;
  }
  if (services_.view != nullptr) services_.view->Navigate(url);
  return true;
}

std::string MainFrameCore::monitorUrl() const {
  std::lock_guard<std::mutex> page(pageMutex_);
  return monitorUrl_;
}

std::string MainFrameCore::currentPage() const {
  std::lock_guard<std::mutex> page(pageMutex_);
  return currentPage_;
}

CommandState MainFrameCore::StateSnapshot() const {
  std::lock_guard<std::mutex> lock(commandMutex);
  return state_;
}

}  // namespace orbo
