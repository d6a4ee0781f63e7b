// orbo: the desktop tool. Options: see WindowUsage().
#include <gtk/gtk.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "app/branding_step.h"
#include "app/window/main_window.h"
#include "app/window/page_log.h"
#include "app/window/window_options.h"
#include "base/file_util.h"
#include "base/logger.h"
#include "base/program_info.h"
#include "formats/branding/apply_branding.h"
#include "platform/gtk/gtk_prompts.h"
#include "platform/gtk/gtk_ui_thread.h"
#include "platform/gtk/prompt_answers.h"
#include "platform/instance_lock.h"
#include "platform/linux/app_dir.h"

namespace {

// Start-up's branding step, with dialogs of its own: the window does not
// exist yet. Dialogs are answered from --answer/--file as the window's are.
orbo::BrandingStep ApplyBrandingAtStart(const orbo::WindowOptions& options,
                                        const std::filesystem::path& appDir,
                                        const std::filesystem::path& exePath, bool installed,
                                        orbo::PageLog* log) {
  orbo::GtkUiThread ui;
  orbo::GtkPrompts prompts(&ui);
  std::unique_ptr<orbo::PromptAnswers> answers;
  if (options.autoAnswer) {
    answers = std::make_unique<orbo::PromptAnswers>(options.answers, options.files);
    prompts.SetAnswers(answers.get());
  }
  if (log->enabled()) {
    prompts.SetObserver([log](const orbo::PromptRecord& record) { log->Prompt(record); });
    prompts.SetShownObserver([log](const orbo::PromptRecord& record) { log->Asking(record); });
  }
  return orbo::RunBrandingStep(appDir, exePath, installed, &prompts);
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  // --help and --version need no display.
  const std::string help = std::string(orbo::WindowUsage()) +
                           "\nThe ORBO box tool's desktop window; the manual page orbo(1) describes "
                           "the options.\n";
  if (auto answered = orbo::AnswerHelpOrVersion("orbo", args, help.c_str())) return *answered;
  std::string error;
  std::optional<orbo::WindowOptions> options = orbo::ParseWindowOptions(args, &error);
  if (!options) {
    std::fprintf(stderr, "orbo: %s\n%s", error.c_str(), orbo::WindowUsage());
    return 2;
  }
  if (options->verbose) orbo::SetLogLevel(orbo::LogLevel::kDebug);
  if (!gtk_init_check(nullptr, nullptr)) {
    std::fprintf(stderr, "orbo: cannot open a display\n");
    return 3;
  }
  const std::filesystem::path exeDir = orbo::ExecutableDir();
  // An installed tool works in its per-user folder, seeded from the shipped
  // files; a build tree or --app-dir as given.
  const orbo::AppDirChoice choice =
      orbo::ChooseAppDir(exeDir, options->appDir, orbo::ProcessUserDirsEnv());
  if (!choice.error.empty()) {
    std::fprintf(stderr, "orbo: %s\n", choice.error.c_str());
    return 1;
  }
  std::filesystem::path appDir = choice.appDir;
  options->programDir = choice.programDir.string();
  options->installed = choice.installed;
  std::error_code ec;
  appDir = std::filesystem::absolute(appDir, ec).lexically_normal();
  if (!appDir.empty() && appDir.filename().empty()) appDir = appDir.parent_path();

  // One running copy per user: a second start ends at once, silently.
  // Without a usable runtime folder the tool still starts (with a warning)
  // rather than refusing the user altogether.
  orbo::InstanceLock instance;
  std::string lockError;
  const std::filesystem::path runtimeDir = orbo::UserRuntimeDir(&lockError);
  if (!runtimeDir.empty()) {
    switch (instance.Acquire(runtimeDir / "ORBOSegment", &lockError)) {
      case orbo::InstanceLockResult::kAcquired:
        break;
      case orbo::InstanceLockResult::kHeldElsewhere:
        return 0;
      case orbo::InstanceLockResult::kError:
        ORBO_LOG_WARN("single instance: %s", lockError.c_str());
        break;
    }
  } else {
    ORBO_LOG_WARN("single instance: %s", lockError.c_str());
  }

  orbo::PageLog log(options->pageLog ? stdout : nullptr);
  // The running program. Branding renames it after the tool name (not in
  // the installed layout, whose files are the package's) and starts it
  // again, with the same arguments, when it asks.
  const std::filesystem::path exePath = std::filesystem::read_symlink("/proc/self/exe", ec);
  const orbo::BrandingStep branding =
      ApplyBrandingAtStart(*options, appDir, exePath, choice.installed, &log);
  if (branding.result != 0) return 1;
  if (branding.restart) {
    instance.Release();  // the program started again must find it free
    return orbo::RestartProgram(branding.program, args) ? 0 : 1;
  }
  options->program = branding.program.string();
  // The company name lives in this run's record only.
  options->company = branding.settings.comp;

  int status = 0;
  bool restart = false;
  {
    orbo::MainWindow window(*options, appDir, exeDir, &log);
    status = window.Run();
    restart = window.Settings().exitRequested;
  }
  // A package replaced while running asks for the program on exit, where
  // start-up's branding left it.
  instance.Release();
  if (restart && !orbo::RestartProgram(branding.program, args)) return 1;
  return status;
}
