#include "hmi/editor_service.h"

#include "hmi/editor_discovery.h"
#include "platform/host_address.h"

namespace orbo {

EditorService::EditorService(const std::filesystem::path& app_dir, HostResolver resolve,
                             ProgramStarter start)
    : resolve_(resolve ? std::move(resolve) : HostResolver(ResolveHostAddress)),
      start_(start ? std::move(start) : DefaultProgramStarter()) {
  LoadEditorSettings(app_dir, &settings_);
}

int EditorService::IsEditorUsable(const std::string& folder) {
  return orbo::IsEditorUsable(folder, settings_.folder) ? 1 : 0;
}

int EditorService::LaunchHmiDownload(const std::string& json) {
  return orbo::LaunchHmiDownload(json, settings_.folder, resolve_, start_);
}

}  // namespace orbo
