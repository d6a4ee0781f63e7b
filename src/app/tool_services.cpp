#include "app/tool_services.h"

#include "app/page_process.h"
#include "base/file_util.h"
#include "base/logger.h"
#include "bridge/unavailable_services.h"
#include "desktop/browser_detect.h"
#include "formats/lists/cloud_url.h"
#include "ops/box_ops_bundle.h"
#include "ops/transfer/file_services.h"
#include "platform/linux/hid_backends.h"
#include "platform/linux/xdg_browsers.h"
#include "vcom/port_system.h"

namespace orbo {
namespace {

// "scheme:" as URLs start: a letter, then letters, digits, '+', '-', '.'.
bool HasScheme(const std::string& url) {
  const size_t colon = url.find(':');
  if (colon == std::string::npos || colon == 0) return false;
  auto letter = [](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); };
  if (!letter(url[0])) return false;
  for (size_t i = 1; i < colon; ++i) {
    const char c = url[i];
    if (!letter(c) && !(c >= '0' && c <= '9') && c != '+' && c != '-' && c != '.') return false;
  }
  return true;
}

}  // namespace

ToolServices::ToolServices(std::filesystem::path appDir, PageView* view, Prompts* prompts,
                           Clipboard* clipboard, ToolOptions options, ToolTuning tuning)
    : appDir_(std::move(appDir)),
      view_(view),
      prompts_(prompts),
      clipboard_(clipboard),
      settings_(appDir_),
      scripts_(view_, [this](std::string_view key) { return settings_.LookupText(key); }),
      workerStartDelayMs_(tuning.workerStartDelayMs) {
  // Temporary files of whole-file writes that a run which ended abruptly
  // (a kill during a fetch or a save) left beside their targets.
  RemoveStaleTempFiles(appDir_);
  RemoveStaleTempFiles(appDir_ / "html");
  settings_.Load();
  if (!options.company.empty()) settings_.Update([&](AppSettings& s) { s.comp = options.company; });
  setup_ = std::make_unique<AppDirSetupBuilder>(appDir_);
  wifi_ = std::make_unique<WifiListStore>(appDir_);
  if (options.virtualPort) {
    ports_ = std::make_unique<vcom::PortSystem>(appDir_, &settings_, prompts_, options.statusText,
                                                options.programDir, &scripts_);
    passThrough_ = ports_.get();
  } else {
    passThroughStandIn_ = std::make_unique<UnavailablePassThrough>();
    passThrough_ = passThroughStandIn_.get();
  }
  editor_ = MakeEditorIntegration(appDir_);

  hid_ = MakeHidBackend(options.usbSimSocket);
  BoxOpsDeps deps;
  deps.appDir = appDir_;
  deps.hid = hid_.get();
  deps.sleeper = &workerSleeper_;
  deps.scripts = &scripts_;
  deps.prompts = prompts_;
  deps.clipboard = clipboard_;
  deps.view = view_;
  deps.linkOptions = tuning.link;
  boxOps_ = std::make_unique<BoxOpsBundle>(deps);
}

ToolServices::~ToolServices() = default;

void ToolServices::StartVirtualPort() {
  if (ports_) ports_->Start();
}

bool ToolServices::PortReady() const {
  return !ports_ || ports_->port().portReady();
}

int ToolServices::TunnelMode() const {
  return ports_ ? ports_->port().state().tunnelMode : 0;
}

bool ToolServices::RemovePortService() {
  if (!ports_) return false;
  ports_->control().UninstallService();
  return true;
}

void ToolServices::DetectBrowsers() {
  DesktopBrowserRegistry registry(XdgDirs::FromEnvironment());
  orbo::DetectBrowsers(registry, BrowserCandidates::Default(), &settings_, &browsers_);
  ORBO_LOG_DEBUG("web browsers: %zu found, using \"%s\" (%s)", browsers_.entries().size(),
                 browsers_.selectedName().c_str(), browsers_.selectedPath().c_str());
}

OpenResult ToolServices::OpenInBrowser(const std::string& url) {
  OpenResult result = OpenUrl(browsers_, url, DefaultProgramStarter());
  if (result != OpenResult::kStarted) {
    ORBO_LOG_WARN("address not opened in a browser: %s", OpenResultText(result));
  }
  return result;
}

BridgeServices ToolServices::Services() {
  BridgeServices s;
  s.appDir = appDir_;
  s.settings = &settings_;
  s.view = view_;
  s.prompts = prompts_;
  s.sleeper = &workerSleeper_;
  s.onStop = [this] {
    workerSleeper_.Wake();
    boxOps_->link().Interrupt();
  };
  s.workerStartDelayMs = workerStartDelayMs_;
  s.setup = setup_.get();
  s.wifi = wifi_.get();
  s.passThrough = passThrough_;
  s.editor = editor_.get();
  s.link = &boxOps_->linkStep();
  s.operations = &boxOps_->operations();
  const std::filesystem::path dir = appDir_;
  s.cloudUrl = [dir] { return ReadCloudUrl(dir); };
  return s;
}

std::optional<std::string> ReadCloudUrl(const std::filesystem::path& appDir) {
  const std::optional<std::string> url = LoadCloudUrl(appDir);
  if (!url) {
    ORBO_LOG_WARN("cannot read the cloud address from html/Default.xml");
    return std::nullopt;
  }
  if (url->empty() || HasScheme(*url) || url->front() == '/') return *url;
  return (appDir / "html" / *url).string();
}

}  // namespace orbo
