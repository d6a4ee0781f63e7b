// The configured panel editor: its folder and version, kept in "hmi.xml"
// beside the executable:
//   <HMISet filever="1.0"><Hmi Folder="/path/to/editor/" Version="3.2" /></HMISet>
#pragma once

#include <filesystem>
#include <string>

namespace orbo {

struct EditorSettings {
  std::string folder;   // ends with "/"; empty when none is configured
  std::string version;  // as shown to the user
};

// The text a new "hmi.xml" starts from.
extern const char kDefaultEditorSettingsText[];

std::filesystem::path EditorSettingsPath(const std::filesystem::path& app_dir);

// Fills both fields from app_dir/hmi.xml. A missing or unreadable file, or
// one without HMISet/Hmi, leaves them as they are; a missing attribute
// gives an empty text.
void LoadEditorSettings(const std::filesystem::path& app_dir, EditorSettings* settings);

// Writes both fields into app_dir/hmi.xml (atomically), starting from the
// default text when the file is missing or not well formed; everything else
// in the file stays. False when the file could not be written.
bool SaveEditorSettings(const std::filesystem::path& app_dir, const EditorSettings& settings);

}  // namespace orbo
