#include "app/branding_step.h"

#include "base/logger.h"
#include "formats/branding/apply_branding.h"
#include "formats/branding/launchers.h"
#include "platform/start_program.h"
#include "settings/app_settings.h"

namespace orbo {

BrandingStep RunBrandingStep(const std::filesystem::path& appDir,
                             const std::filesystem::path& exePath, Prompts* prompts) {
  SettingsStore store(appDir);
  store.Load();
  BrandingEnv env;
  env.exePath = exePath;
  env.launcherFolders = UserLauncherFolders();
  env.prompts = prompts;
  BrandingStep step;
  step.result = ApplyBranding(env, &store);
  const AppSettings settings = store.Get();
  step.restart = step.result == 0 && settings.exitRequested;
  if (step.restart) step.restartProgram = BrandedExecutable(exePath, settings);
  return step;
}

bool RestartProgram(const std::filesystem::path& program, const std::vector<std::string>& args) {
  std::vector<std::string> argv = {program.string()};
  argv.insert(argv.end(), args.begin(), args.end());
  if (StartProgram(argv) > 0) return true;
  ORBO_LOG_ERROR("cannot start %s again", program.c_str());
  return false;
}

}  // namespace orbo
