#include "app/unavailable_services.h"

#include <atomic>

#include "base/logger.h"

namespace orbo {

int UnavailableSetupBuilder::BuildSetupXml(const std::string&) {
  ORBO_LOG_WARN("setup file builder not available in this build; setup.xml not written");
  return -1;
}

int UnavailableWifiStore::SaveWifi(const std::optional<std::string>&,
                                   const std::optional<std::string>&) {
  ORBO_LOG_WARN("Wi-Fi list not available in this build; entry not saved");
  return -1;
}

int UnavailableWifiStore::RemoveWifi(const std::string&) {
  ORBO_LOG_WARN("Wi-Fi list not available in this build; entry not removed");
  return -1;
}

int UnavailablePassThrough::ApplyPassThrough(const std::string&) {
  ORBO_LOG_WARN("serial pass-through not available in this build");
  return -1;
}

int UnavailablePassThrough::EndPassThrough() {
  ORBO_LOG_WARN("serial pass-through not available in this build");
  return -1;
}

int UnavailableEditor::IsEditorUsable(const std::string&) {
  ORBO_LOG_WARN("panel editor integration not available in this build");
  return 0;
}

int UnavailableEditor::LaunchHmiDownload(const std::string&) {
  ORBO_LOG_WARN("panel editor integration not available in this build; download not started");
  return -1;
}

bool NoLinkStep::ConnectAndDetect(CommandState&) {
  // Called every 200 ms: warn once, not every cycle.
  static std::atomic<bool> warned{false};
  if (!warned.exchange(true)) ORBO_LOG_WARN("box link not available in this build");
  return false;
}

void NoBoxOperations::Run(int code, CommandState&) {
  ORBO_LOG_WARN("box operation %d not available in this build", code);
}

}  // namespace orbo
