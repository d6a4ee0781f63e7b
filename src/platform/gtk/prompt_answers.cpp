#include "platform/gtk/prompt_answers.h"

namespace orbo {

PromptAnswers::PromptAnswers(std::vector<std::string> answers, std::vector<std::string> files)
    : answers_(answers.begin(), answers.end()), files_(files.begin(), files.end()) {}

std::string PromptAnswers::NextMessage() {
  std::lock_guard<std::mutex> lock(mutex_);
  if (!answers_.empty()) answers_.pop_front();
  return "ok";
}

bool PromptAnswers::NextYesNo() {
  std::lock_guard<std::mutex> lock(mutex_);
  if (answers_.empty()) return false;
  const std::string word = answers_.front();
  answers_.pop_front();
  return word == "yes" || word == "ok";
}

std::optional<std::filesystem::path> PromptAnswers::NextFile() {
  std::lock_guard<std::mutex> lock(mutex_);
  if (files_.empty()) return std::nullopt;
  std::filesystem::path path = files_.front();
  files_.pop_front();
  return path;
}

}  // namespace orbo
