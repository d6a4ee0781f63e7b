#include "formats/branding/launchers.h"

#include <cstdlib>

#include "base/file_util.h"

namespace orbo {
namespace {

constexpr std::string_view kGroup = "[Desktop Entry]";

std::string Getenv(const char* name) {
  const char* v = std::getenv(name);
  return v ? std::string(v) : std::string();
}

// Undoes the string escapes of a launcher value (\s \n \t \r \\).
std::string UnescapeValue(std::string_view v) {
  std::string out;
  for (size_t i = 0; i < v.size(); ++i) {
    if (v[i] != '\\' || i + 1 == v.size()) {
      out += v[i];
      continue;
    }
    // Only these five are value escapes; others belong to the Exec quoting.
    const char c = v[i + 1];
    if (c == 's' || c == 'n' || c == 't' || c == 'r' || c == '\\') {
      out += c == 's' ? ' ' : c == 'n' ? '\n' : c == 't' ? '\t' : c == 'r' ? '\r' : c;
      ++i;
    } else {
      out += v[i];
    }
  }
  return out;
}

// Splits an unescaped Exec value into its first argument and the rest.
std::pair<std::string, std::string_view> FirstArgument(std::string_view exec) {
  std::string arg;
  size_t i = 0;
  if (!exec.empty() && exec[0] == '"') {
    for (i = 1; i < exec.size() && exec[i] != '"'; ++i) {
      if ((exec[i] == '\\' || (exec[i] == '%' && exec.substr(i, 2) == "%%")) && i + 1 < exec.size())
        ++i;
      arg += exec[i];
    }
    if (i < exec.size()) ++i;  // the closing quote
  } else {
    for (; i < exec.size() && exec[i] != ' ' && exec[i] != '\t'; ++i) {
      if (exec.substr(i, 2) == "%%") ++i;  // a literal percent sign
      arg += exec[i];
    }
  }
  return {arg, exec.substr(i)};
}

// The Exec value for program followed by rest (rest already escaped as it
// stood in the file).
std::string ExecValue(const std::string& program, std::string_view rest) {
  std::string quoted = "\"";
  for (char c : program) {
    if (c == '"' || c == '`' || c == '$') quoted += "\\";
    if (c == '\\') quoted += "\\\\\\";  // quoting rule, then the value rule: four in all
    if (c == '%') quoted += '%';
    quoted += c;
  }
  quoted += '"';
  return quoted + std::string(rest);
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
  bool in_group = false;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(start, end - start);
    start = end + 1;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (!line.empty() && line.front() == '[') {
      in_group = line == kGroup;
      continue;
    }
    if (in_group && line.substr(0, 5) == "Exec=") {
      return FirstArgument(UnescapeValue(line.substr(5))).first;
    }
  }
  return {};
}

std::string SetLauncherKeys(std::string_view text,
                            const std::vector<std::pair<std::string, std::string>>& keys) {
  std::vector<bool> done(keys.size(), false);
  std::string out;
  bool in_group = false;
  auto add_missing = [&] {
    for (size_t k = 0; k < keys.size(); ++k) {
      if (done[k]) continue;
      out += keys[k].first + "=" +
             (keys[k].first == "Exec" ? ExecValue(keys[k].second, "") : keys[k].second) + "\n";
      done[k] = true;
    }
  };
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(start, end - start);
    start = end + 1;
    if (!line.empty() && line.front() == '[') {
      if (in_group) add_missing();
      in_group = line.substr(0, kGroup.size()) == kGroup;
    } else if (in_group) {
      bool replaced = false;
      for (size_t k = 0; k < keys.size() && !replaced; ++k) {
        const std::string prefix = keys[k].first + "=";
        if (line.substr(0, prefix.size()) != prefix) continue;
        std::string value = keys[k].second;
        if (keys[k].first == "Exec") {
          // The raw rest of the line (after the first argument) stays as written.
          std::string_view raw = line.substr(prefix.size());
          const size_t split = raw.size() - FirstArgument(raw).second.size();
          value = ExecValue(value, raw.substr(split));
        }
        out += prefix + value + "\n";
        done[k] = replaced = true;
      }
      if (replaced) continue;
    }
    out.append(line);
    out += '\n';
  }
  if (in_group) add_missing();
  return out;
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
