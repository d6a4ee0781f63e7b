// Honest stand-ins for services whose subsystems are not wired in yet. Each
// logs a clear warning when used and returns the failure result, so the
// page sees a failure rather than a pretended success. Replace each with
// the real implementation in tool_services.cpp as it lands.
#pragma once

#include "bridge/bridge_services.h"

namespace orbo {

// ApplyPassThrough, EndPassThrough: -1.
class UnavailablePassThrough : public PassThrough {
 public:
  int ApplyPassThrough(const std::string& json) override;
  int EndPassThrough() override;
};

// IsEditorUsable: 0 (no usable editor); LaunchHmiDownload: -1.
class UnavailableEditor : public EditorIntegration {
 public:
  int IsEditorUsable(const std::string& folder) override;
  int LaunchHmiDownload(const std::string& json) override;
};

}  // namespace orbo
