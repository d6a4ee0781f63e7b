// Desktop launchers (".desktop" files) that start the tool: the shortcuts a
// reseller package retouches with its icon and renames after its tool name.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orbo {

// The user's desktop folder (XDG_DESKTOP_DIR of $XDG_CONFIG_HOME/user-dirs.dirs,
// else ~/Desktop) and $XDG_DATA_HOME/applications (else
// ~/.local/share/applications), in that order. Empty without a home folder.
std::vector<std::filesystem::path> UserLauncherFolders();
// The desktop folder named in the text of a user-dirs.dirs file, "$HOME"
// replaced by home; empty when the file does not name one.
std::filesystem::path DesktopDirFromUserDirs(std::string_view user_dirs, std::string_view home);

// The program a launcher's "Exec" line starts (its first argument, with the
// quoting and escapes of launcher files undone); empty when there is none.
// Launchers are read and written by platform/linux/desktop_entry.
std::string LauncherProgram(std::string_view launcher_text);

// The launcher text with the keys of its "[Desktop Entry]" group set: each
// (key, plain value) replaces the key's line or is added at the group's end,
// escaped as the entry format asks. "Exec" takes a program path and keeps
// the line's further arguments.
std::string SetLauncherKeys(std::string_view launcher_text,
                            const std::vector<std::pair<std::string, std::string>>& keys);

// Renames from to to unless to exists already (nothing is ever replaced).
// False when it did not happen.
bool RenameNoReplace(const std::filesystem::path& from, const std::filesystem::path& to);

struct LauncherOutcome {
  std::filesystem::path path;  // where the launcher is now
  bool startsExe = false;      // its Exec program is the executable
};

// The launcher folder/old_name.desktop: when icon is given and the launcher
// starts exe, its Icon becomes icon and its Name display_name (rewritten in
// place, atomically); then it is renamed to folder/new_name.desktop (not when
// that exists). Failures leave it as it was. nullopt when there is no such
// launcher.
std::optional<LauncherOutcome> RetouchLauncher(const std::filesystem::path& folder,
                                               std::string_view old_name, std::string_view new_name,
                                               const std::filesystem::path& exe,
                                               const std::optional<std::filesystem::path>& icon,
                                               std::string_view display_name);

// Points the launcher's Exec at exe (keeping its arguments). False when the
// launcher cannot be read or written.
bool RetargetLauncher(const std::filesystem::path& launcher, const std::filesystem::path& exe);

}  // namespace orbo
