// The server profiles: one page settings file per cloud server in the
// "Servers" folder of the app directory, named "<server>.xml".
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace orbo {

// Separates the fields of composite texts between page and native side.
inline constexpr char kFieldSeparator = '\x02';

// The names of the profiles (file names without ".xml"), sorted by byte
// value so the order is the same on every file system. Only regular files
// (or links to them) whose name ends in ".xml" count; hidden files, names
// that are not UTF-8 and names holding the field separator are left out.
// A missing or unreadable folder gives no names.
std::vector<std::string> ListServerNames(const std::filesystem::path& app_dir);

// The server list text for the page: ListServerNames joined by U+0002, no
// separator before the first or after the last; empty without profiles.
std::string BuildServerList(const std::filesystem::path& app_dir);

// app_dir/Servers/<name>.xml
std::filesystem::path ServerProfilePath(const std::filesystem::path& app_dir,
                                        std::string_view name);

}  // namespace orbo
