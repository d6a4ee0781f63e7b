#include "vcom/port_system.h"

#include "settings/app_settings.h"
#include "vcom/port_paths.h"

namespace orbo::vcom {

PortSystem::PortSystem(const std::filesystem::path& appDir, SettingsStore* settings,
                       Prompts* prompts, StatusText* status,
                       const std::filesystem::path& programDir, const PageScripts* scripts)
    : status_(status),
      client_(ServiceSocketPath()),
      runner_((programDir.empty() ? appDir : programDir) / "orbo-portd", appDir),
      control_(
          client_, runner_, SystemSleeper(),
          [settings](std::string_view key) { return settings->LookupText(key); }, status),
      comPorts_(PortsDir()) {
  VirtualPortDeps deps;
  deps.library = &client_;
  deps.service = &control_;
  deps.ports = &comPorts_;
  deps.sleeper = &SystemSleeper();
  deps.settings = settings;
  deps.prompts = prompts;
  deps.mainWindow = status;
  deps.scripts = scripts;
  port_ = std::make_unique<VirtualPort>(deps);
}

PortSystem::~PortSystem() {
  if (started_) RemoveAtExit();
}

void PortSystem::Start() {
  started_ = true;
  port_->StartVirtualPortThread(status_);
}

void PortSystem::RemoveAtExit() {
  started_ = false;
  port_->RemoveAtExit();
}

int PortSystem::ApplyPassThrough(const std::string& json) {
  return port_->ApplyPassThrough(json);
}

int PortSystem::EndPassThrough() {
  return port_->EndPassThrough();
}

}  // namespace orbo::vcom
