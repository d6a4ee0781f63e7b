// The branding step of start-up: after the settings are read (and the
// single-instance check), before any window. Shared by the desktop tool and
// the headless page host.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "formats/branding/apply_branding.h"
#include "settings/app_settings.h"

namespace orbo {

class Prompts;

struct BrandingStep {
  int result = 0;        // 0 go on; -1 no package could be loaded: the start ends
  bool restart = false;  // the start ends and program is started again
  // The program after branding: exePath renamed after the tool name, or
  // exePath itself (always in the installed layout). A later restart
  // starts this one.
  std::filesystem::path program;
  // The run's settings record as branding left it; it carries the company
  // name, which the settings file never holds.
  AppSettings settings;
};

// What branding may touch for the executable exePath: the user's launcher
// folders, and in the installed layout (the programs under the install
// prefix) the per-user menu entry over the package's own, never a rename.
// Tool names of other applications (programs on PATH, launchers) are
// refused.
BrandingEnv MakeBrandingEnv(const std::filesystem::path& exePath, bool installed, Prompts* prompts);

// Applies the package beside the tool (see ApplyBranding).
BrandingStep RunBrandingStep(const std::filesystem::path& appDir,
                             const std::filesystem::path& exePath, bool installed,
                             Prompts* prompts);

// Starts program with args after it (an argument vector, never a shell).
// False when it is not an executable file or could not be started.
bool RestartProgram(const std::filesystem::path& program, const std::vector<std::string>& args);

}  // namespace orbo
