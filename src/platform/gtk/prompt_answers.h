// Answers given in advance for the tool's questions, for demonstrations and
// GUI tests: the dialogs are still shown, then closed with the next answer.
#pragma once

#include <deque>
#include <filesystem>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace orbo {

// What a prompt was and how it was answered, for the page log.
struct PromptRecord {
  std::string kind;    // "message", "yesno", "open", "save" or "folder"
  std::string text;    // message text; for file dialogs the filter pattern,
                       // for the folder picker its title
  std::string answer;  // "ok", "yes", "no", a path, or "cancel"
};

class PromptAnswers {
 public:
  // answers: "yes", "ok" or "no" for message boxes and questions; files:
  // paths for file and folder dialogs. Each is used once, in order.
  PromptAnswers(std::vector<std::string> answers, std::vector<std::string> files);

  // A message box consumes one answer if there is one (it can only be
  // dismissed). Always "ok".
  std::string NextMessage();
  // True for "yes" or "ok"; an empty queue or any other word is No.
  bool NextYesNo();
  // The next path; nullopt (Cancel) when the queue is empty.
  std::optional<std::filesystem::path> NextFile();

 private:
  std::mutex mutex_;  // guards answers_ and files_
  std::deque<std::string> answers_;
  std::deque<std::string> files_;
};

}  // namespace orbo
