#include "cli/page_host_parts.h"

#include <cstdio>
#include <system_error>

namespace orbo::cli {

HostPrompts::HostPrompts(PageOutput* out, std::vector<std::string> answers,
                         std::vector<std::string> files)
    : out_(out), answers_(answers.begin(), answers.end()), files_(files.begin(), files.end()) {}

std::string HostPrompts::NextAnswer() {
  if (answers_.empty()) return std::string();
  std::string answer = answers_.front();
  answers_.pop_front();
  return answer;
}

void HostPrompts::Message(const std::string&, const std::string& text) {
  std::lock_guard<std::mutex> lock(mutex_);
  NextAnswer();  // whatever it says, an OK box can only be dismissed
  out_->Prompt("message", text, "ok");
}

bool HostPrompts::AskYesNo(const std::string&, const std::string& text) {
  std::lock_guard<std::mutex> lock(mutex_);
  const bool yes = NextAnswer() == "yes";
  out_->Prompt("yesno", text, yes ? "yes" : "no");
  return yes;
}

std::optional<std::filesystem::path> HostPrompts::FileDialog(const char* kind,
                                                             const std::string& text,
                                                             bool must_exist) {
  std::lock_guard<std::mutex> lock(mutex_);
  std::string chosen;
  if (!files_.empty()) {
    chosen = files_.front();
    files_.pop_front();
  }
  std::error_code ec;
  if (!chosen.empty() && must_exist && !std::filesystem::exists(chosen, ec)) {
    std::fprintf(stderr, "orbo-cli page: \"%s\" does not exist; the open dialog is cancelled\n",
                 chosen.c_str());
    chosen.clear();
  }
  out_->Prompt(kind, text, chosen.empty() ? "cancel" : chosen);
  if (chosen.empty()) return std::nullopt;
  return std::filesystem::path(chosen);
}

std::optional<std::filesystem::path> HostPrompts::OpenFile(const FileDialogOptions& options) {
  return FileDialog("open", options.filter_name + "|" + options.filter_pattern, options.must_exist);
}

std::optional<std::filesystem::path> HostPrompts::SaveFile(const FileDialogOptions& options) {
  return FileDialog("save", options.filter_name + "|" + options.filter_pattern, false);
}

std::optional<std::filesystem::path> HostPrompts::PickFolder(const std::string& title) {
  return FileDialog("folder", title, false);
}

}  // namespace orbo::cli
