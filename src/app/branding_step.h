// The branding step of start-up: after the settings are read (and the
// single-instance check), before any window. Shared by the desktop tool and
// the headless page host.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace orbo {

class Prompts;

struct BrandingStep {
  int result = 0;        // 0 go on; -1 no package could be loaded: the start ends
  bool restart = false;  // the start ends and restartProgram is started again
  std::filesystem::path restartProgram;
};

// Applies the package beside the tool (see ApplyBranding) with the user's
// launcher folders; exePath is the executable the tool name renames.
BrandingStep RunBrandingStep(const std::filesystem::path& appDir,
                             const std::filesystem::path& exePath, Prompts* prompts);

// Starts program with args after it (an argument vector, never a shell).
// False when it could not be started.
bool RestartProgram(const std::filesystem::path& program, const std::vector<std::string>& args);

}  // namespace orbo
