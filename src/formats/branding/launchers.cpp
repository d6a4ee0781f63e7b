#include "formats/branding/launchers.h"

#include <cstdlib>

#include "base/file_util.h"
#include "platform/linux/desktop_entry.h"

namespace orbo {
namespace {

constexpr std::string_view kGroup = "Desktop Entry";

std::string Getenv(const char* name) {
  const char* v = std::getenv(name);
  return v ? std::string(v) : std::string();
}

}  // namespace

std::filesystem::path DesktopDirFromUserDirs(std::string_view user_dirs, std::string_view home) {
  constexpr std::string_view kKey = "XDG_DESKTOP_DIR=";
  size_t start = 0;
  while (start < user_dirs.size()) {
    size_t end = user_dirs.find('\n', start);
    if (end == std::string_view::npos) end = user_dirs.size();
    std::string_view line = user_dirs.substr(start, end - start);
    start = end + 1;
    if (line.substr(0, kKey.size()) != kKey) continue;
    std::string_view value = line.substr(kKey.size());
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
      value = value.substr(1, value.size() - 2);
    if (value.substr(0, 5) == "$HOME") return std::string(home) + std::string(value.substr(5));
    if (!value.empty() && value.front() == '/') return std::string(value);
  }
  return {};
}

std::vector<std::filesystem::path> UserLauncherFolders() {
  const std::string home = Getenv("HOME");
  if (home.empty()) return {};
  std::string config = Getenv("XDG_CONFIG_HOME");
  if (config.empty()) config = home + "/.config";
  std::string user_dirs;
  ReadFileBytes(std::filesystem::path(config) / "user-dirs.dirs", &user_dirs, 1 << 16);
  std::filesystem::path desktop = DesktopDirFromUserDirs(user_dirs, home);
  if (desktop.empty()) desktop = std::filesystem::path(home) / "Desktop";
  std::string data = Getenv("XDG_DATA_HOME");
  if (data.empty()) data = home + "/.local/share";
  return {desktop, std::filesystem::path(data) / "applications"};
}

std::string LauncherProgram(std::string_view text) {
  const std::optional<DesktopEntry> entry = ParseDesktopEntry(text);
  if (!entry) return {};
  const std::optional<std::vector<std::string>> args = SplitExec(entry->exec);
  return args && !args->empty() ? args->front() : std::string();
}

std::string SetLauncherKeys(std::string_view text,
                            const std::vector<std::pair<std::string, std::string>>& keys) {
  DesktopFile file = DesktopFile::Parse(text);
  for (const auto& [key, value] : keys) {
    if (key != "Exec") {
      file.Set(kGroup, key, value);
      continue;
    }
    // The program changes; the line's further arguments stay.
    std::vector<std::string> args =
        SplitExec(file.Get(kGroup, "Exec").value_or("")).value_or(std::vector<std::string>{});
    if (args.empty()) args.emplace_back();
    args.front() = value;
    file.Set(kGroup, "Exec", JoinExec(args));
  }
  return file.Text();
}

bool RenameNoReplace(const std::filesystem::path& from, const std::filesystem::path& to) {
  std::error_code ec;
  if (from == to) return false;
  // A hard link fails when the target exists, so nothing is ever replaced.
  std::filesystem::create_hard_link(from, to, ec);
  if (!ec) {
    std::filesystem::remove(from, ec);
    return true;
  }
  if (ec == std::errc::file_exists || std::filesystem::exists(to)) return false;
  // File systems without hard links: a plain rename, the target being absent.
  std::filesystem::rename(from, to, ec);
  return !ec;
}

std::optional<LauncherOutcome> RetouchLauncher(const std::filesystem::path& folder,
                                               std::string_view old_name, std::string_view new_name,
                                               const std::filesystem::path& exe,
                                               const std::optional<std::filesystem::path>& icon,
                                               std::string_view display_name) {
  LauncherOutcome outcome;
  outcome.path = folder / (std::string(old_name) + ".desktop");
  std::string text;
  if (!ReadFileBytes(outcome.path, &text, 1 << 20)) return std::nullopt;
  outcome.startsExe = LauncherProgram(text) == exe.string();
  if (icon && outcome.startsExe) {
    WriteFileAtomic(outcome.path, SetLauncherKeys(text, {{"Icon", icon->string()},
                                                         {"Name", std::string(display_name)}}));
  }
  const std::filesystem::path renamed = folder / (std::string(new_name) + ".desktop");
  if (RenameNoReplace(outcome.path, renamed)) outcome.path = renamed;
  return outcome;
}

bool RetargetLauncher(const std::filesystem::path& launcher, const std::filesystem::path& exe) {
  std::string text;
  if (!ReadFileBytes(launcher, &text, 1 << 20)) return false;
  return WriteFileAtomic(launcher, SetLauncherKeys(text, {{"Exec", exe.string()}}));
}

}  // namespace orbo
