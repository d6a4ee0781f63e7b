// Applying a reseller's certificate package ("VirCert.ce" beside the
// executable): names, box model display names, icons, the page settings
// file's cloud address, launchers, the executable's name and the settings
// file. Runs on the UI thread.
#pragma once

#include <filesystem>
#include <vector>

namespace orbo {

class Prompts;
class SettingsStore;
struct AppSettings;

// What branding touches outside the app directory, so tests can point it
// at a temporary folder.
struct BrandingEnv {
  // The running executable; it is renamed after the tool name.
  std::filesystem::path exePath;
  // Folders whose launchers are retouched, in order (the user's desktop,
  // then the applications menu: UserLauncherFolders()).
  std::vector<std::filesystem::path> launcherFolders;
  // Shows the package file dialog.
  Prompts* prompts = nullptr;
};

// Applies the package in store->app_dir() when setting "oem" is not 0.
// 0 done or skipped; -1 no package could be loaded, not even one picked in
// the file dialog (start-up must then end). When the user had to pick a
// package, the exit-requested flag is set: start-up ends and the renamed
// executable is started again. A package that does not load changes
// nothing on disk.
int ApplyBranding(const BrandingEnv& env, SettingsStore* store);

// The certificate button of the virtual port dialog: lets the user pick a
// package and, when it loads, puts it in place, removes the written icons
// and sets the exit-requested flag. True when the dialog is to close with
// its OK action; false on cancel or on a package that does not load (the
// flag is then cleared and the package in place stays as it was).
bool ReplaceCertificate(const BrandingEnv& env, SettingsStore* store);

// The executable to start again after a branding restart: the one named
// after the tool name beside exe_path (exe_path itself when the name cannot
// be a file name).
std::filesystem::path BrandedExecutable(const std::filesystem::path& exe_path,
                                        const AppSettings& settings);

}  // namespace orbo
