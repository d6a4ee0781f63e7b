// The page log: one JSON object per line on an output stream, for tests and
// demonstrations (orbo --page-log). Lines from any thread are written
// whole, in the order they are logged. Shapes:
//   {"call":["v1","v2"]}  a page call handed to the dispatcher
//   {"result":N}          what HandlePageCall returned for it
//   {"dropped":"why"}     a page message the window did not use
//   {"script":"..."}      a script run in the page, in order
//   {"asking":"kind","text":"..."}  a dialog is being shown
//   {"prompt":"kind","text":"...","answer":"..."}  and how it was answered
//   {"title":"..."}       the page's title changed
//   {"status":"..."}      the status line shows a text
//   {"loaded":"uri"}      a page finished loading
//   {"screenshot":"path"} a screenshot was written
//   {"dialog":"event","com":"entry"}  the settings dialog opened, did what a
//                         control command asked ("com", "service", ...;
//                         "refused" when it could not) or closed, with the
//                         COM entry it then shows
//   {"caption":"name"}    a caption button was clicked (monitor, setup, config, about)
//   {"dialog":"about","title":"...","product":"...","company":"..."}  the About box opened
//   {"dialog":"closed"}   and closed
//   {"download":"path"}   a download was saved (or {"download":"cancel"})
//   {"service":"removed"} the port service was removed on closing
#pragma once

#include <cstdio>
#include <mutex>
#include <string>

#include "platform/gtk/prompt_answers.h"

namespace orbo {

class PageLog {
 public:
  // out may be null: nothing is written.
  explicit PageLog(FILE* out) : out_(out) {}
  PageLog(const PageLog&) = delete;
  PageLog& operator=(const PageLog&) = delete;

  bool enabled() const { return out_ != nullptr; }
  void Call(const std::string& v1, const std::string& v2);
  void Result(int result);
  void Dropped(const std::string& why);
  void Script(const std::string& script);
  void Asking(const PromptRecord& record);
  void Prompt(const PromptRecord& record);
  void Title(const std::string& title);
  void Status(const std::string& text);
  void Loaded(const std::string& uri);
  // What a key the window acts on did ("reload", "leave full screen").
  void Key(const std::string& action);
  void Screenshot(const std::string& path);
  void Dialog(const std::string& event, const std::string& comEntry);
  void Caption(const std::string& name);
  void AboutOpened(const std::string& title, const std::string& product,
                   const std::string& company);
  void DialogClosed();
  void Download(const std::string& outcome);
  void ServiceRemoved();

  // The JSON text of a string (quoted, escaped); invalid UTF-8 becomes
  // U+FFFD.
  static std::string Quote(const std::string& text);

 private:
  void Line(const std::string& json);

  FILE* const out_;
  std::mutex mutex_;  // guards writes to out_
};

}  // namespace orbo
