#include "platform/linux/program_names.h"

#include <unistd.h>

#include <cstdlib>
#include <string>
#include <system_error>

#include "base/file_util.h"
#include "platform/linux/desktop_entry.h"

namespace orbo {
namespace fs = std::filesystem;
namespace {

std::vector<fs::path> SplitDirs(const char* value, const char* fallback) {
  const std::string text = value != nullptr && value[0] != '\0' ? value : fallback;
  std::vector<fs::path> dirs;
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find(':', start);
    if (end == std::string::npos) end = text.size();
    const std::string dir = text.substr(start, end - start);
    if (!dir.empty() && dir.front() == '/') dirs.emplace_back(dir);
    start = end + 1;
  }
  return dirs;
}

bool SameFile(const fs::path& a, const fs::path& b) {
  std::error_code ec;
  return !a.empty() && !b.empty() && fs::equivalent(a, b, ec);
}

bool IsProgram(const fs::path& path) {
  std::error_code ec;
  return fs::is_regular_file(path, ec) && ::access(path.c_str(), X_OK) == 0;
}

fs::path FindIn(const std::vector<fs::path>& dirs, const std::string& name) {
  if (name.find('/') != std::string::npos) return name;
  for (const fs::path& dir : dirs) {
    if (IsProgram(dir / name)) return dir / name;
  }
  return {};
}

// The launcher's program is the tool's own.
bool StartsOwnProgram(const fs::path& launcher, const NameSearchDirs& dirs,
                      const fs::path& own_program) {
  std::string text;
  if (!ReadFileBytes(launcher, &text, 1 << 20)) return false;
  const auto entry = ParseDesktopEntry(text);
  if (!entry) return false;
  const auto args = SplitExec(entry->exec);
  if (!args || args->empty()) return false;
  return SameFile(FindIn(dirs.programDirs, args->front()), own_program);
}

}  // namespace

NameSearchDirs NameSearchDirs::FromEnvironment() {
  NameSearchDirs dirs;
  dirs.programDirs = SplitDirs(std::getenv("PATH"), "/usr/local/bin:/usr/bin:/bin");
  const char* home = std::getenv("HOME");
  const char* data_home = std::getenv("XDG_DATA_HOME");
  if (data_home != nullptr && data_home[0] == '/') {
    dirs.applicationDirs.push_back(fs::path(data_home) / "applications");
  } else if (home != nullptr && home[0] == '/') {
    dirs.applicationDirs.push_back(fs::path(home) / ".local/share/applications");
  }
  for (const fs::path& d : SplitDirs(std::getenv("XDG_DATA_DIRS"), "/usr/local/share:/usr/share"))
    dirs.applicationDirs.push_back(d / "applications");
  return dirs;
}

bool NameOfOtherApplication(std::string_view name, const NameSearchDirs& dirs,
                            const fs::path& own_program) {
  if (name.empty() || name.find('/') != std::string_view::npos) return false;
  std::string lower(name);
  for (char& c : lower) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  for (const std::string& candidate : {std::string(name), lower}) {
    for (const fs::path& dir : dirs.programDirs) {
      const fs::path program = dir / candidate;
      if (IsProgram(program) && !SameFile(program, own_program)) return true;
    }
    for (const fs::path& dir : dirs.applicationDirs) {
      const fs::path launcher = dir / (candidate + ".desktop");
      std::error_code ec;
      if (fs::exists(launcher, ec) && !StartsOwnProgram(launcher, dirs, own_program)) return true;
    }
  }
  return false;
}

}  // namespace orbo
