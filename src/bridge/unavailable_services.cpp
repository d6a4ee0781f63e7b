#include "bridge/unavailable_services.h"

#include "base/logger.h"

namespace orbo {

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

}  // namespace orbo
