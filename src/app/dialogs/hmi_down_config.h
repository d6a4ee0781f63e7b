// The rules of the download-settings dialog (CHmiDownConfig) without the
// toolkit: the installed editors' rows, choosing a row or a browsed
// folder, and confirming the choice into hmi.xml.
#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "hmi/editor_choice.h"
#include "hmi/editor_settings.h"

namespace orbo {

class Prompts;

struct HmiDownConfigDeps {
  std::filesystem::path appDir;                         // where hmi.xml is saved
  std::vector<std::string> installedFolders;            // FindInstalledEditors, in order
  Prompts* prompts = nullptr;                           // refusals and the folder picker
  std::function<std::string(std::string_view)> lookup;  // a message key's text
};

class HmiDownConfig {
 public:
  // preset: the configured editor, or empty texts when there is none.
  HmiDownConfig(HmiDownConfigDeps deps, const EditorSettings& preset);

  const std::vector<EditorRow>& rows() const { return rows_; }
  // The choice shown (folder with trailing separator, version).
  const EditorSettings& choice() const { return choice_; }
  bool confirmEnabled() const { return confirmEnabled_; }
  std::string Text(std::string_view key) const { return deps_.lookup(key); }

  // A click on row index (outside the rows: any other value) .
  void OnRowClicked(int index);
  // Browse: the folder picker, then the folder's checks; a refusal is a
  // message box and keeps the earlier choice.
  void OnBrowse();
  // Saves the choice as the editor settings. False when hmi.xml could not
  // be written (the dialog then stays open).
  bool OnConfirm();

 private:
  HmiDownConfigDeps deps_;
  std::vector<EditorRow> rows_;
  EditorSettings choice_;
  bool confirmEnabled_ = false;
};

}  // namespace orbo
