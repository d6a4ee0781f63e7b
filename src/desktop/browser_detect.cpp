#include "desktop/browser_detect.h"

#include <filesystem>
#include <system_error>

#include "base/utf.h"
#include "desktop/browser_names.h"
#include "platform/registry.h"
#include "settings/app_settings.h"

namespace orbo {
namespace {

constexpr const char* kClientsKey = "SOFTWARE\\Clients\\StartMenuInternet";
constexpr const char* kChromeStateKey =
    "Software\\Google\\Update\\ClientState\\{8A69D345-D564-463c-AFF1-A69D9E530F96}";
// Registry command values are read into 260-character buffers.
constexpr size_t kMaxCommandChars = 259;

bool IsExistingFile(const std::string& path) {
  std::error_code ec;
  return !path.empty() && std::filesystem::is_regular_file(path, ec);
}

// The first value of key, cut to kMaxCommandChars characters.
std::optional<std::string> FirstValue(const Registry& registry, RegRoot root,
                                      const std::string& key, bool default_only) {
  if (default_only) {
    auto v = registry.QueryText(root, key, "");
    if (!v) return std::nullopt;
    return Utf8Truncate(*v, kMaxCommandChars);
  }
  auto values = registry.Values(root, key);
  if (!values || values->empty() || !values->front().text) return std::nullopt;
  return Utf8Truncate(values->front().data, kMaxCommandChars);
}

}  // namespace

BrowserCandidates BrowserCandidates::Default() {
  return BrowserCandidates{
      {"/opt/google/chrome/google-chrome", "/usr/bin/google-chrome-stable",
       "/usr/bin/google-chrome"},
      {"/opt/microsoft/msedge/microsoft-edge", "/usr/bin/microsoft-edge-stable",
       "/usr/bin/microsoft-edge"},
  };
}

void ScanInstalledBrowsers(const Registry& registry, BrowserList* list) {
  for (RegRoot root : {RegRoot::kLocalMachine, RegRoot::kCurrentUser}) {
    auto subkeys = registry.SubKeys(root, kClientsKey);
    if (!subkeys) continue;
    for (const std::string& sub : *subkeys) {
      std::string key = std::string(kClientsKey) + "\\" + sub + "\\shell\\open\\command";
      auto command = FirstValue(registry, root, key, true);
      if (!command) continue;
      std::string path = *command;
      if (!path.empty() && path.front() == '"') {
        path = path.size() >= 2 ? path.substr(1, path.size() - 2) : std::string();
      }
      std::string name;
      if (IsExistingFile(path) && BrowserNameFromPath(path, &name)) list->AddBrowser(name, path);
    }
  }
}

bool ResolveBrowser(const Registry& registry, const BrowserCandidates& candidates,
                    BrowserList* list) {
  if (auto launch = registry.QueryText(RegRoot::kCurrentUser, kChromeStateKey,
                                       "InstallerSuccessLaunchCmdLine")) {
    list->AddBrowser("Chrome", *launch);
  }
  for (const std::string& path : candidates.chrome) list->AddBrowser("Chrome", path);
  for (const std::string& path : candidates.edge) list->AddBrowser("Edge", path);

  const std::string wanted = list->selectedName();
  std::string chrome_path;
  bool have_chrome = false;
  for (const BrowserEntry& e : list->entries()) {
    if (e.name == wanted) {
      list->SetSelected(wanted, e.path);
      return false;
    }
    if (e.name == "Chrome") {
      chrome_path = e.path;
      have_chrome = true;
    }
  }
  if (have_chrome) {
    list->SetSelected("Chrome", chrome_path);
    return true;
  }
  auto command = FirstValue(registry, RegRoot::kClassesRoot, "http\\shell\\open\\command", false);
  if (!command) return false;
  std::string lower = ToAsciiLower(*command);
  std::string name;
  if (!BrowserNameFromCommand(lower, &name)) return false;
  // The name is looked for in the lowercased text, but the entry keeps the
  // command's own letter case: Linux paths are case-sensitive. ASCII
  // lowercasing keeps every position, so the cut is the same.
  std::string cut_command = *command;
  size_t cut = lower.find("\" ");
  if (cut != std::string::npos) cut_command.resize(cut + 1);
  list->Append(name, cut_command);
  list->SetSelected(name, cut_command);
  return true;
}

void DetectBrowsers(const Registry& registry, const BrowserCandidates& candidates,
                    SettingsStore* settings, BrowserList* list) {
  list->SetSelectedName(settings->Get().bro);
  ScanInstalledBrowsers(registry, list);
  if (ResolveBrowser(registry, candidates, list)) {
    const std::string name = list->selectedName();
    settings->Update([&](AppSettings& s) { s.bro = name; });
    settings->Save();
  }
}

}  // namespace orbo
