#include "app/dialogs/hmi_down_config.h"

#include "platform/prompts.h"
#include "settings/message_keys.h"

namespace orbo {

HmiDownConfig::HmiDownConfig(HmiDownConfigDeps deps, const EditorSettings& preset)
    : deps_(std::move(deps)), rows_(EditorListRows(deps_.installedFolders)) {
  if (!preset.folder.empty() && !preset.version.empty()) {
    choice_ = preset;
    confirmEnabled_ = true;
  }
}

void HmiDownConfig::OnRowClicked(int index) {
  if (index < 0 || index >= static_cast<int>(rows_.size())) return;
  const EditorRow& row = rows_[static_cast<size_t>(index)];
  if (row.version.empty()) return;
  choice_ = EditorSettings{row.folder, row.version};
  confirmEnabled_ = true;
}

void HmiDownConfig::OnBrowse() {
  const std::optional<std::filesystem::path> picked = deps_.prompts->PickFolder("");
  if (!picked || picked->empty()) return;
  const BrowseOutcome outcome = CheckBrowsedFolder(picked->string());
  if (!outcome.messageKey.empty()) {
    // A folder without a readable version is refused like the others, so
    // the choice that is confirmed is always the one shown.
    deps_.prompts->Message(Text(keys::kAlertTitle), Text(outcome.messageKey));
    return;
  }
  choice_ = EditorSettings{outcome.folder, outcome.version};
  confirmEnabled_ = true;
}

bool HmiDownConfig::OnConfirm() {
  if (!confirmEnabled_) return false;
  if (!SaveEditorSettings(deps_.appDir, choice_)) {
    deps_.prompts->Message(Text(keys::kAlertTitle), Text(keys::kHmiSaveFailed));
    return false;
  }
  return true;
}

}  // namespace orbo
