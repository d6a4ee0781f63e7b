// The registry of a Wine prefix, read-only: system.reg is HKEY_LOCAL_MACHINE,
// user.reg HKEY_CURRENT_USER, and HKEY_CLASSES_ROOT shows
// HKEY_LOCAL_MACHINE\Software\Classes. Windows paths found in it map to
// Linux paths through the prefix's dosdevices links.
#pragma once

#include <filesystem>
#include <string>

#include "platform/memory_registry.h"
#include "platform/registry_text.h"

namespace orbo {

// $WINEPREFIX when set and not empty, else ~/.wine (empty without a home).
std::filesystem::path DefaultWinePrefix();

class WineRegistry : public Registry {
 public:
  // Reads the prefix's registry files now; missing or unreadable files
  // leave their root empty.
  explicit WineRegistry(std::filesystem::path prefix);

  std::optional<std::vector<std::string>> SubKeys(RegRoot root,
                                                  std::string_view path) const override;
  std::optional<std::vector<RegValue>> Values(RegRoot root, std::string_view path) const override;
  // Windows paths ("C:\Program Files\Editor\") become paths of the prefix's
  // drives; see WindowsToLinuxPath.
  std::string LocalPath(std::string_view value) const override;

  const std::filesystem::path& prefix() const { return prefix_; }
  // What the parser made of system.reg and user.reg.
  const RegTextReport& systemReport() const { return system_report_; }
  const RegTextReport& userReport() const { return user_report_; }

 private:
  std::filesystem::path prefix_;
  MemoryRegistry store_;
  RegTextReport system_report_, user_report_;
};

// "X:\dir\file" (either separator) -> the path under the drive's
// dosdevices link (for C: without one, drive_c), each part matched without
// regard to letter case when the exact name is missing, as Windows would.
// A trailing separator stays. An absolute Linux path stays as it is;
// anything else gives an empty text.
std::string WindowsToLinuxPath(const std::filesystem::path& prefix, std::string_view path);

// The reverse, for showing a path: "C:\dir\" for a path under a drive of
// the prefix (the drive whose target is the longest match wins); empty when
// no drive holds it.
std::string LinuxToWindowsPath(const std::filesystem::path& prefix, std::string_view path);

}  // namespace orbo
