// Finding installed panel editors and checking editor folders. Folders
// given "with a separator" end with "/"; the marker files are appended to
// them directly, so a folder without it is not usable.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace orbo {

class Registry;

// The installed editors' folders from the uninstall keys of
// HKEY_LOCAL_MACHINE (the native view first, then the 32-bit one), in
// registry order: every subkey with a "DisplayName" whose "InstallLocation"
// (as a local path) is a usable editor folder. An editor registered under
// both keys is listed twice.
std::vector<std::string> FindInstalledEditors(const Registry& registry);

// True when folder holds both "simulation/ieg/HMIUI.exe" (the panel
// simulator) and "Download.exe" (the download tool). An empty folder means
// configured_folder.
bool IsEditorUsable(std::string_view folder, std::string_view configured_folder = {});

// True when folder (given without a trailing separator) holds
// "HMIEditor.exe" or "Editor.exe".
bool HasEditorProgram(std::string_view folder);

// The "Help_Ch" attribute of HMISet/Hmi in folder + "ReleaseLog.log";
// empty when it cannot be read.
std::string ReadEditorVersion(std::string_view folder);

// True when folder + relative names an existing file or folder. Names the
// editor installs are matched without regard to letter case when the exact
// name is missing (editors installed under Wine keep Windows habits).
bool EditorFileExists(std::string_view folder, std::string_view relative);

}  // namespace orbo
