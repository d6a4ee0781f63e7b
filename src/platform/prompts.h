// Modal questions to the user: message boxes and file dialogs. The desktop
// tool shows GTK dialogs; the headless page host answers from a script.
// Callable from the UI thread and from the box worker; implementations take
// care of reaching their UI thread.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace orbo {

struct FileDialogOptions {
  std::string filter_name;        // e.g. "Cloud Project(*.kzrp)"
  std::string filter_pattern;     // e.g. "*.kzrp"
  std::string default_ext;        // e.g. ".kzrp"
  bool must_exist = false;        // open: the chosen file must exist
  bool overwrite_prompt = false;  // save: confirm replacing an existing file
  std::string title;              // already localised; empty: the backend's own title
};

class Prompts {
 public:
  virtual ~Prompts() = default;
  // OK box. caption and text are already localised.
  virtual void Message(const std::string& caption, const std::string& text) = 0;
  // Yes/No box; true means Yes. Anything but Yes is a refusal.
  virtual bool AskYesNo(const std::string& caption, const std::string& text) = 0;
  // Empty when cancelled.
  virtual std::optional<std::filesystem::path> OpenFile(const FileDialogOptions& options) = 0;
  virtual std::optional<std::filesystem::path> SaveFile(const FileDialogOptions& options) = 0;
  virtual std::optional<std::filesystem::path> PickFolder(const std::string& title) = 0;
};

}  // namespace orbo
