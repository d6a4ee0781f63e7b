#include "platform/linux/xdg_browsers.h"

#include <algorithm>
#include <cstdlib>
#include <set>
#include <system_error>

#include "base/file_util.h"
#include "platform/linux/desktop_entry.h"
#include "platform/process_start.h"

namespace fs = std::filesystem;

namespace orbo {
namespace {

constexpr size_t kMaxDesktopFileBytes = size_t{1} << 20;
constexpr int kMaxEntriesPerFolder = 20000;
constexpr std::string_view kClients = "SOFTWARE\\Clients\\StartMenuInternet\\";

std::vector<fs::path> SplitDirs(const char* value, const char* fallback) {
  std::string_view list = (value && *value) ? value : fallback;
  std::vector<fs::path> dirs;
  size_t start = 0;
  while (start <= list.size()) {
    size_t end = list.find(':', start);
    if (end == std::string_view::npos) end = list.size();
    std::string_view d = list.substr(start, end - start);
    if (!d.empty() && d.front() == '/') dirs.emplace_back(d);  // relative ones are ignored
    start = end + 1;
  }
  return dirs;
}

fs::path HomeOr(const char* var, const char* under_home) {
  const char* v = std::getenv(var);
  if (v && *v == '/') return v;
  const char* home = std::getenv("HOME");
  return home && *home ? fs::path(home) / under_home : fs::path();
}

std::optional<DesktopEntry> ReadEntry(const fs::path& file) {
  std::string text;
  if (!ReadFileBytes(file, &text, kMaxDesktopFileBytes)) return std::nullopt;
  return ParseDesktopEntry(text);
}

std::string QuoteArg(const std::string& a) {
  if (!a.empty() && a.find_first_of(" \t\"") == std::string::npos) return a;
  std::string out = "\"";
  for (char c : a) {
    if (c == '"' || c == '\\') out += '\\';
    out += c;
  }
  return out + "\"";
}

// The default handler's desktop id for http, per mimeapps.list.
std::vector<std::string> DefaultHttpHandlers(const XdgDirs& dirs) {
  std::vector<fs::path> files;
  if (!dirs.configHome.empty()) files.push_back(dirs.configHome / "mimeapps.list");
  for (const auto& d : dirs.configDirs) files.push_back(d / "mimeapps.list");
  if (!dirs.dataHome.empty()) files.push_back(dirs.dataHome / "applications/mimeapps.list");
  for (const auto& d : dirs.dataDirs) files.push_back(d / "applications/mimeapps.list");
  std::vector<std::string> ids;
  for (const auto& file : files) {
    std::string text;
    if (!ReadFileBytes(file, &text, kMaxDesktopFileBytes)) continue;
    bool in_defaults = false;
    size_t pos = 0;
    while (pos < text.size()) {
      size_t end = text.find('\n', pos);
      if (end == std::string::npos) end = text.size();
      std::string_view line(text.data() + pos, end - pos);
      pos = end + 1;
      while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.remove_suffix(1);
      if (!line.empty() && line.front() == '[') {
        in_defaults = line == "[Default Applications]";
        continue;
      }
      constexpr std::string_view kKey = "x-scheme-handler/http=";
      if (!in_defaults || line.substr(0, kKey.size()) != kKey) continue;
      std::string_view list = line.substr(kKey.size());
      size_t s = 0;
      while (s <= list.size()) {
        size_t e = list.find(';', s);
        if (e == std::string_view::npos) e = list.size();
        if (e > s) ids.emplace_back(list.substr(s, e - s));
        s = e + 1;
      }
    }
  }
  return ids;
}

}  // namespace

XdgDirs XdgDirs::FromEnvironment() {
  XdgDirs d;
  d.dataHome = HomeOr("XDG_DATA_HOME", ".local/share");
  d.dataDirs = SplitDirs(std::getenv("XDG_DATA_DIRS"), "/usr/local/share:/usr/share");
  d.configHome = HomeOr("XDG_CONFIG_HOME", ".config");
  d.configDirs = SplitDirs(std::getenv("XDG_CONFIG_DIRS"), "/etc/xdg");
  return d;
}

std::string ExecToCommand(std::string_view exec, std::string* program) {
  auto args = SplitExec(exec);
  if (!args || args->empty()) return "";
  size_t first = 0;
  if ((*args)[0] == "env") {
    first = 1;
    while (first < args->size() && (*args)[first].find('=') != std::string::npos &&
           (*args)[first].front() != '=') {
      ++first;
    }
    if (first >= args->size()) return "";
  }
  std::string prog = FindProgram((*args)[first]);
  if (prog.empty()) prog = (*args)[first];
  if (program) *program = prog;
  std::string command = "\"" + prog + "\"";
  for (size_t i = first + 1; i < args->size(); ++i) command += " " + QuoteArg((*args)[i]);
  return command;
}

DesktopBrowserRegistry::DesktopBrowserRegistry(const XdgDirs& dirs) {
  // The user's folder first: its ids hide the system's.
  std::vector<std::pair<fs::path, RegRoot>> folders;
  if (!dirs.dataHome.empty())
    folders.emplace_back(dirs.dataHome / "applications", RegRoot::kCurrentUser);
  for (const auto& d : dirs.dataDirs)
    folders.emplace_back(d / "applications", RegRoot::kLocalMachine);
  std::set<std::string> seen;
  std::vector<std::pair<std::string, fs::path>> all_ids;  // for the http handler
  for (const auto& [folder, root] : folders) {
    std::error_code ec;
    std::vector<fs::path> files;
    int count = 0;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
      if (++count > kMaxEntriesPerFolder) break;
      if (it->path().extension() == ".desktop") files.push_back(it->path());
    }
    std::sort(files.begin(), files.end());
    for (const auto& file : files) {
      std::string id = file.filename().string();
      if (!seen.insert(id).second) continue;
      all_ids.emplace_back(id, file);
      auto entry = ReadEntry(file);
      if (!entry || entry->hidden || entry->type != "Application" ||
          !ListHas(entry->categories, "WebBrowser")) {
        continue;
      }
      std::string program;
      if (ExecToCommand(entry->exec, &program).empty()) continue;
      std::string key = std::string(kClients) + id.substr(0, id.size() - 8);
      store_.SetText(root, key, "", entry->name);
      store_.SetText(root, key + "\\shell\\open\\command", "", "\"" + program + "\"");
    }
  }
  for (const std::string& id : DefaultHttpHandlers(dirs)) {
    for (const auto& [known, file] : all_ids) {
      if (known != id) continue;
      auto entry = ReadEntry(file);
      std::string command = entry && !entry->hidden ? ExecToCommand(entry->exec) : "";
      if (command.empty()) continue;
      store_.SetText(RegRoot::kClassesRoot, "http\\shell\\open\\command", "", command);
      return;
    }
  }
}

std::optional<std::vector<std::string>> DesktopBrowserRegistry::SubKeys(
    RegRoot root, std::string_view path) const {
  return store_.SubKeys(root, path);
}

std::optional<std::vector<RegValue>> DesktopBrowserRegistry::Values(RegRoot root,
                                                                    std::string_view path) const {
  return store_.Values(root, path);
}

}  // namespace orbo
