#include "app/tool_services.h"

#include "app/unavailable_services.h"
#include "base/logger.h"

namespace orbo {

ToolServices::ToolServices(std::filesystem::path appDir, PageView* view, Prompts* prompts,
                           Clipboard* clipboard)
    : appDir_(std::move(appDir)),
      view_(view),
      prompts_(prompts),
      clipboard_(clipboard),
      settings_(appDir_),
      scripts_(view_, [this](std::string_view key) { return settings_.LookupText(key); }) {
  settings_.Load();
  // Each stand-in below is replaced by its subsystem's implementation as it
  // lands; they take appDir_, scripts_, prompts_, clipboard_ and
  // workerSleeper_ as they need them.
  setup_ = std::make_unique<UnavailableSetupBuilder>();
  wifi_ = std::make_unique<UnavailableWifiStore>();
  passThrough_ = std::make_unique<UnavailablePassThrough>();
  editor_ = MakeEditorIntegration(appDir_);
  link_ = std::make_unique<NoLinkStep>();
  operations_ = std::make_unique<NoBoxOperations>();
  (void)prompts_;
  (void)clipboard_;
}

ToolServices::~ToolServices() = default;

BridgeServices ToolServices::Services() {
  BridgeServices s;
  s.appDir = appDir_;
  s.settings = &settings_;
  s.view = view_;
  s.prompts = prompts_;
  s.sleeper = &workerSleeper_;
  s.onStop = [this] { workerSleeper_.Wake(); };
  s.setup = setup_.get();
  s.wifi = wifi_.get();
  s.passThrough = passThrough_.get();
  s.editor = editor_.get();
  s.link = link_.get();
  s.operations = operations_.get();
  const std::filesystem::path dir = appDir_;
  s.cloudUrl = [dir] { return ReadCloudUrl(dir); };
  return s;
}

std::unique_ptr<EditorIntegration> MakeEditorIntegration(const std::filesystem::path&) {
  return std::make_unique<UnavailableEditor>();
}

std::string ReadCloudUrl(const std::filesystem::path&) {
  ORBO_LOG_WARN("cloud address list not available in this build; monitor address is empty");
  return std::string();
}

}  // namespace orbo
