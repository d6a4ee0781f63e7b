// Prompts answered from queues the test fills, recording every question.
// An empty queue answers No / Cancel.
#pragma once

#include <deque>
#include <filesystem>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/prompts.h"

namespace orbo::test {

class ScriptedPrompts : public Prompts {
 public:
  struct Asked {
    std::string kind;  // "message", "yesno", "open", "save", "folder"
    std::string caption;
    std::string text;  // body; the filter name for file dialogs; the title for folders
    FileDialogOptions options;
  };

  void Message(const std::string& caption, const std::string& text) override {
    Record({"message", caption, text, {}});
  }
  bool AskYesNo(const std::string& caption, const std::string& text) override {
    Record({"yesno", caption, text, {}});
    std::lock_guard<std::mutex> lock(mutex_);
    if (yes_no_.empty()) return false;
    bool answer = yes_no_.front();
    yes_no_.pop_front();
    return answer;
  }
  std::optional<std::filesystem::path> OpenFile(const FileDialogOptions& options) override {
    Record({"open", "", options.filter_name, options});
    return NextFile();
  }
  std::optional<std::filesystem::path> SaveFile(const FileDialogOptions& options) override {
    Record({"save", "", options.filter_name, options});
    return NextFile();
  }
  std::optional<std::filesystem::path> PickFolder(const std::string& title) override {
    Record({"folder", "", title, {}});
    return NextFile();
  }

  void AnswerYesNo(bool yes) {
    std::lock_guard<std::mutex> lock(mutex_);
    yes_no_.push_back(yes);
  }
  // nullopt queues a cancel.
  void ChooseFile(std::optional<std::filesystem::path> path) {
    std::lock_guard<std::mutex> lock(mutex_);
    files_.push_back(std::move(path));
  }
  std::vector<Asked> asked() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return asked_;
  }

 private:
  void Record(Asked a) {
    std::lock_guard<std::mutex> lock(mutex_);
    asked_.push_back(std::move(a));
  }
  std::optional<std::filesystem::path> NextFile() {
    std::lock_guard<std::mutex> lock(mutex_);
    if (files_.empty()) return std::nullopt;
    auto f = files_.front();
    files_.pop_front();
    return f;
  }

  mutable std::mutex mutex_;  // guards the queues and asked_
  std::deque<bool> yes_no_;
  std::deque<std::optional<std::filesystem::path>> files_;
  std::vector<Asked> asked_;
};

}  // namespace orbo::test
