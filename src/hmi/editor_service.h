// The page commands kEditorCheck and kHmiDownload for one process: the
// editor settings are read once when it is made (each page process has its
// own copy, so a change saved later reaches only processes started
// afterwards).
#pragma once

#include <filesystem>
#include <string>

#include "bridge/bridge_services.h"
#include "hmi/editor_settings.h"
#include "hmi/hmi_download.h"

namespace orbo {

class EditorService : public EditorIntegration {
 public:
  // Reads app_dir/hmi.xml. resolve and start default to the system's.
  explicit EditorService(const std::filesystem::path& app_dir, HostResolver resolve = {},
                         ProgramStarter start = {});

  // 1 when folder (empty: the configured one) holds a usable editor, else 0.
  int IsEditorUsable(const std::string& folder) override;
  // 1 when the download tool started, else 0.
  int LaunchHmiDownload(const std::string& json) override;

  const EditorSettings& settings() const { return settings_; }

 private:
  EditorSettings settings_;
  HostResolver resolve_;
  ProgramStarter start_;
};

}  // namespace orbo
