// CurSoftVer: the version the pages show, read from "ReleaseLog.log".
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace orbo {

// The version in a Help_Ch text: everything up to and including the first
// "V" is removed, then three decimal numbers separated by "." are read (each
// may have leading white space and a sign, as scanf's %d reads them) and
// formatted "%d.%d.%d". nullopt when there is no "V", fewer than three
// numbers, or a number out of int range.
std::optional<std::string> SoftVersionFromHelpText(std::string_view help_ch);

// Reads appDir/ReleaseLog.log as XML: root "HMISet", child "Hmi", attribute
// "Help_Ch". When the file cannot be read, lacks the element or attribute,
// or holds no version, returns fallback (the tool's own version).
std::string ReadSoftVersion(const std::filesystem::path& appDir, std::string_view fallback);

}  // namespace orbo
