#include "hmi/editor_discovery.h"

#include <filesystem>
#include <system_error>

#include "base/utf.h"
#include "formats/xml/xml_doc.h"
#include "platform/registry.h"

namespace fs = std::filesystem;

namespace orbo {
namespace {

constexpr const char* kUninstallKeys[] = {
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall",
    "SOFTWARE\\WOW6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall",
};
// Registry reads are bounded as the original buffers were.
constexpr size_t kMaxRegText = 2048;

// The existing entry of dir matching name, exactly or else without regard
// to letter case; empty when none.
std::string FindEntry(const fs::path& dir, const std::string& name) {
  std::error_code ec;
  if (fs::exists(dir / name, ec)) return name;
  int looked = 0;
  for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
    if (++looked > 100000) break;
    std::string entry = it->path().filename().string();
    if (EqualsIgnoreAsciiCase(entry, name)) return entry;
  }
  return "";
}

}  // namespace

bool EditorFileExists(std::string_view folder, std::string_view relative) {
  std::string joined = std::string(folder) + std::string(relative);
  std::error_code ec;
  if (fs::exists(fs::path(joined), ec)) return true;
  // Walk the appended part name by name.
  fs::path dir{std::string(folder)};
  if (folder.empty() || (folder.back() != '/')) {
    // The text was appended to a folder's last name: only an exact match counts.
    return false;
  }
  size_t start = 0;
  while (start < relative.size()) {
    size_t end = relative.find('/', start);
    if (end == std::string_view::npos) end = relative.size();
    std::string name(relative.substr(start, end - start));
    if (!name.empty()) {
      std::string found = FindEntry(dir, name);
      if (found.empty()) return false;
      dir /= found;
    }
    start = end + 1;
  }
  return true;
}

std::vector<std::string> FindInstalledEditors(const Registry& registry) {
  std::vector<std::string> folders;
  for (const char* base : kUninstallKeys) {
    auto subkeys = registry.SubKeys(RegRoot::kLocalMachine, base);
    if (!subkeys) continue;
    for (const std::string& name : *subkeys) {
      if (name.empty() || name.size() > kMaxRegText) continue;
      std::string key = std::string(base) + "\\" + name;
      auto display = registry.QueryText(RegRoot::kLocalMachine, key, "DisplayName");
      if (!display || display->empty()) continue;
      auto location = registry.QueryText(RegRoot::kLocalMachine, key, "InstallLocation");
      if (!location || location->empty() || location->size() > kMaxRegText) continue;
      std::string local = registry.LocalPath(*location);
      if (!local.empty() && IsEditorUsable(local)) folders.push_back(local);
    }
  }
  return folders;
}

bool IsEditorUsable(std::string_view folder, std::string_view configured_folder) {
  if (folder.empty()) folder = configured_folder;
  // With no folder at all the marker names would be relative to the
  // working directory: that is no configured editor.
  if (folder.empty()) return false;
  return EditorFileExists(folder, "simulation/ieg/HMIUI.exe") &&
         EditorFileExists(folder, "Download.exe");
}

bool HasEditorProgram(std::string_view folder) {
  if (folder.empty()) return false;
  std::string dir = std::string(folder) + "/";
  return EditorFileExists(dir, "HMIEditor.exe") || EditorFileExists(dir, "Editor.exe");
}

std::string ReadEditorVersion(std::string_view folder) {
  if (folder.empty() || folder.back() != '/') return "";
  fs::path dir{std::string(folder)};
  std::string name = FindEntry(dir, "ReleaseLog.log");
  XmlDoc doc;
  if (name.empty() || !doc.LoadFile(dir / name)) return "";
  doc.ResetCursor();
  if (!doc.FindElement("HMISet") || !doc.FindChild("Hmi")) return "";
  return doc.GetChildAttribute("Help_Ch");
}

}  // namespace orbo
