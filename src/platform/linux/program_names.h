// Names the desktop already gives to other applications: programs on the
// search path and launcher (desktop entry) names. A reseller's tool name
// equal to one would pass for that application, or shadow its launcher.
#pragma once

#include <filesystem>
#include <string_view>
#include <vector>

namespace orbo {

struct NameSearchDirs {
  std::vector<std::filesystem::path> programDirs;  // $PATH
  std::vector<std::filesystem::path>
      applicationDirs;  // $XDG_DATA_HOME, $XDG_DATA_DIRS + /applications
  // From this process's environment (XDG defaults when unset).
  static NameSearchDirs FromEnvironment();
};

// True when name, as written or in ASCII lower case, is a program in
// programDirs or a launcher "name.desktop" in applicationDirs that belongs
// to another application. The tool's own do not count: a program that is
// own_program's file, or a launcher whose Exec starts it.
bool NameOfOtherApplication(std::string_view name, const NameSearchDirs& dirs,
                            const std::filesystem::path& own_program);

}  // namespace orbo
