// The page host's stand-ins for the window's view, clipboard and dialogs:
// each prints what happened as a JSON line. Safe to use from the UI
// (input) thread and the box worker at once.
#pragma once

#include <deque>
#include <mutex>
#include <string>
#include <vector>

#include "bridge/page.h"
#include "cli/page_output.h"
#include "platform/clipboard.h"
#include "platform/prompts.h"
#include "vcom/service_control.h"

namespace orbo::cli {

// The page always exists and is always loaded.
class HostView : public PageView {
 public:
  explicit HostView(PageOutput* out) : out_(out) {}
  void Evaluate(const std::string& script) override { out_->Script(script); }
  void Navigate(const std::string& url) override { out_->Navigate(url); }
  bool IsReady() const override { return true; }

 private:
  PageOutput* out_;
};

class HostClipboard : public Clipboard {
 public:
  explicit HostClipboard(PageOutput* out) : out_(out) {}
  bool SetText(const std::string& text) override {
    out_->Clipboard(text);
    return true;
  }

 private:
  PageOutput* out_;
};

// The window's status line: each text becomes a {"status":...} line.
class HostStatus : public vcom::StatusText {
 public:
  explicit HostStatus(PageOutput* out) : out_(out) {}
  void ShowStatusText(const std::string& text) override { out_->Status(text); }

 private:
  PageOutput* out_;
};

// Answers from the --answer and --file queues, in order.
//   kind     "text"                               "answer"
//   message  the body                             "ok" (takes one --answer if any)
//   yesno    the question                         "yes" or "no" (empty queue: "no")
//   open     filter name "|" pattern              the path, or "cancel"
//   save     filter name "|" pattern              the path, or "cancel"
//   folder   the dialog's title                   the path, or "cancel"
// An empty --file entry, an empty queue, or (for open with must_exist) a
// file that does not exist answers "cancel".
class HostPrompts : public Prompts {
 public:
  HostPrompts(PageOutput* out, std::vector<std::string> answers, std::vector<std::string> files);

  void Message(const std::string& caption, const std::string& text) override;
  bool AskYesNo(const std::string& caption, const std::string& text) override;
  std::optional<std::filesystem::path> OpenFile(const FileDialogOptions& options) override;
  std::optional<std::filesystem::path> SaveFile(const FileDialogOptions& options) override;
  std::optional<std::filesystem::path> PickFolder(const std::string& title) override;

 private:
  std::string NextAnswer();
  std::optional<std::filesystem::path> FileDialog(const char* kind, const std::string& text,
                                                  bool must_exist);

  PageOutput* out_;
  std::mutex mutex_;  // guards answers_ and files_; held until the line is printed
  std::deque<std::string> answers_;
  std::deque<std::string> files_;
};

}  // namespace orbo::cli
