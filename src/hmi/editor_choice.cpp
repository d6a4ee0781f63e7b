#include "hmi/editor_choice.h"

#include "hmi/editor_discovery.h"
#include "settings/message_keys.h"

namespace orbo {

std::vector<EditorRow> EditorListRows(const std::vector<std::string>& folders) {
  std::vector<EditorRow> rows;
  for (const std::string& folder : folders) {
    std::string version = ReadEditorVersion(folder);
    if (version.empty()) continue;
    rows.push_back(EditorRow{std::to_string(rows.size() + 1), std::move(version), folder});
  }
  return rows;
}

BrowseOutcome CheckBrowsedFolder(std::string path) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  BrowseOutcome out;
  if (!HasEditorProgram(path)) {
    out.messageKey = keys::kHmiNoEditor;
    return out;
  }
  std::string folder = path + "/";
  if (!IsEditorUsable(folder)) {
    out.messageKey = keys::kHmiIncompatVer;
    return out;
  }
  out.folder = folder;
  out.version = ReadEditorVersion(folder);
  if (out.version.empty()) out.messageKey = keys::kHmiNoVer;
  return out;
}

}  // namespace orbo
