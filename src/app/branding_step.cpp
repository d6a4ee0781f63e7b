#include "app/branding_step.h"

#include <unistd.h>

#include <system_error>

#include "base/logger.h"
#include "formats/branding/launchers.h"
#include "platform/linux/program_names.h"
#include "platform/start_program.h"

namespace orbo {

BrandingEnv MakeBrandingEnv(const std::filesystem::path& exePath, bool installed,
                            Prompts* prompts) {
  BrandingEnv env;
  env.exePath = exePath;
  env.prompts = prompts;
  env.installed = installed;
  const std::vector<std::filesystem::path> folders = UserLauncherFolders();
  if (installed) {
    // PREFIX/lib/orbo/orbo: the package's menu entry is
    // PREFIX/share/applications/ORBO_MENU_ENTRY; the user's entry of the
    // same name hides it.
    const std::filesystem::path prefix = exePath.parent_path().parent_path().parent_path();
    env.menuEntryName = ORBO_MENU_ENTRY;
    env.menuTemplate = prefix / "share" / "applications" / env.menuEntryName;
    if (folders.size() == 2) {
      env.launcherFolders = {folders[0]};
      env.menuDir = folders[1];
    }
  } else {
    env.launcherFolders = folders;
  }
  env.nameTaken = [dirs = NameSearchDirs::FromEnvironment(), exePath](std::string_view name) {
    return NameOfOtherApplication(name, dirs, exePath);
  };
  return env;
}

BrandingStep RunBrandingStep(const std::filesystem::path& appDir,
                             const std::filesystem::path& exePath, bool installed,
                             Prompts* prompts) {
  SettingsStore store(appDir);
  store.Load();
  BrandingStep step;
  step.result = ApplyBranding(MakeBrandingEnv(exePath, installed, prompts), &store, &step.program);
  step.settings = store.Get();
  step.restart = step.result == 0 && step.settings.exitRequested;
  return step;
}

bool RestartProgram(const std::filesystem::path& program, const std::vector<std::string>& args) {
  std::error_code ec;
  if (program.empty() || !std::filesystem::is_regular_file(program, ec) ||
      ::access(program.c_str(), X_OK) != 0) {
    ORBO_LOG_ERROR("cannot start the tool again: %s is not its program",
                   program.empty() ? "(gone)" : program.c_str());
    return false;
  }
  std::vector<std::string> argv = {program.string()};
  argv.insert(argv.end(), args.begin(), args.end());
  if (StartProgram(argv) > 0) return true;
  ORBO_LOG_ERROR("cannot start %s again", program.c_str());
  return false;
}

}  // namespace orbo
