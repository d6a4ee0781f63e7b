// The rules of the download-settings dialog, without the dialog: the rows
// of its editor list and the checks of a folder the user browsed to.
#pragma once

#include <string>
#include <vector>

namespace orbo {

// One row of the installed-editor list: its 1-based number among the rows,
// the editor's version and its folder.
struct EditorRow {
  std::string number;
  std::string version;
  std::string folder;
};

// A row for every folder (in order) whose version can be read; folders
// without a version are left out and do not take a number.
std::vector<EditorRow> EditorListRows(const std::vector<std::string>& folders);

// The outcome of checking a browsed folder. messageKey is empty when the
// folder is accepted (folder and version are then the new choice), else the
// key of the message to show: "hmi_no_editor" (no editor program),
// "hmi_incompat_ver" (the simulator or download tool is missing) or
// "hmi_no_ver" (no version could be read; folder is still the checked one).
struct BrowseOutcome {
  std::string messageKey;
  std::string folder;  // path + "/"
  std::string version;
};

// path is the picked folder without a trailing separator (any given are
// removed first).
BrowseOutcome CheckBrowsedFolder(std::string path);

}  // namespace orbo
