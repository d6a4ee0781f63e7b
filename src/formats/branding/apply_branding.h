// Applying a reseller's certificate package ("VirCert.ce" beside the
// executable): names, box model display names, icons, the page settings
// file's cloud address, launchers, the executable's name and the settings
// file. Runs on the UI thread.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "formats/branding/brand_values.h"

namespace orbo {

class Prompts;
class SettingsStore;
struct AppSettings;

// What branding touches outside the app directory, so tests can point it
// at a temporary folder.
struct BrandingEnv {
  // The running executable. Outside the installed layout it is renamed
  // after the tool name.
  std::filesystem::path exePath;
  // Folders whose launchers are retouched, in order (the user's desktop,
  // then the applications menu: UserLauncherFolders(); the installed layout
  // retouches the desktop only).
  std::vector<std::filesystem::path> launcherFolders;
  // Shows the package file dialog.
  Prompts* prompts = nullptr;
  // The installed layout: nothing under the install prefix is renamed or
  // written; the tool name and icon reach the menu through the per-user
  // entry menuDir/menuEntryName, which overrides the package's own entry
  // of that name (menuTemplate, read when present) for this user.
  bool installed = false;
  std::filesystem::path menuDir;
  std::string menuEntryName;
  std::filesystem::path menuTemplate;
  // Names of other applications, refused as tool names (empty: none).
  NameTaken nameTaken;
};

// Package entries parsed as JSON or XML are refused above this size before
// a parser sees them; branding holds no entry larger than
// kBrandingMaxHeldEntry.
inline constexpr size_t kBrandingMaxParsedEntry = size_t{1} << 20;
inline constexpr size_t kBrandingMaxHeldEntry = size_t{4} << 20;

// Applies the package in store->app_dir() when setting "oem" is not 0.
// 0 done or skipped; -1 no package could be loaded, not even one picked in
// the file dialog (start-up must then end). When the user had to pick a
// package, the exit-requested flag is set: start-up ends and the renamed
// executable is started again. A package that does not load changes
// nothing on disk. *program_now (when given) receives where exePath is
// afterwards: renamed after the tool name, or as it was (always in the
// installed layout); a restart starts that one.
int ApplyBranding(const BrandingEnv& env, SettingsStore* store,
                  std::filesystem::path* program_now = nullptr);

// The certificate button of the virtual port dialog: lets the user pick a
// package and, when it loads, puts it in place, removes the written icons
// and sets the exit-requested flag. True when the dialog is to close with
// its OK action; false on cancel or on a package that does not load (the
// flag is then cleared and the package in place stays as it was).
bool ReplaceCertificate(const BrandingEnv& env, SettingsStore* store);

// The per-user menu entry of the installed layout: template_text (the
// package's own entry; a minimal entry when empty) with Name (and every
// localised Name) the tool name, Icon the icon's absolute path (kept when
// icon is empty), and Exec of the main group and of every action starting
// program, whose path TryExec names too.
std::string UserMenuEntryText(std::string_view template_text, const std::filesystem::path& program,
                              const std::string& tool_name, const std::filesystem::path& icon);

}  // namespace orbo
