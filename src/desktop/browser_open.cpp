#include "desktop/browser_open.h"

#include "desktop/browser_list.h"

namespace orbo {
namespace {

bool IsSafeArgument(const std::string& text) {
  if (text.empty() || text.front() == '-') return false;
  for (unsigned char c : text) {
    if (c < 0x20 || c == 0x7F) return false;
  }
  return true;
}

}  // namespace

std::vector<std::string> SystemOpenCommand(const std::string& text) {
  if (!FindProgram("xdg-open").empty()) return {"xdg-open", text};
  return {"gio", "open", text};
}

std::vector<std::string> BrowserOpenCommand(const std::string& selected_name,
                                            const std::string& selected_path,
                                            const std::string& url) {
  if (selected_name == "Edge") return SystemOpenCommand("microsoft-edge:" + url);
  std::string program = selected_path;
  if (program.size() >= 2 && program.front() == '"' && program.back() == '"') {
    program = program.substr(1, program.size() - 2);
  }
  if (program.empty()) return {};
  return {program, url};
}

OpenResult OpenUrl(const BrowserList& list, const std::string& url, const ProgramStarter& start) {
  if (!IsSafeArgument(url)) return OpenResult::kRefused;
  auto argv = BrowserOpenCommand(list.selectedName(), list.selectedPath(), url);
  if (argv.empty()) return OpenResult::kNoBrowser;
  return start(argv) ? OpenResult::kStarted : OpenResult::kFailed;
}

const char* OpenResultText(OpenResult result) {
  switch (result) {
    case OpenResult::kStarted:
      return "started";
    case OpenResult::kNoBrowser:
      return "no browser";
    case OpenResult::kRefused:
      return "refused";
    case OpenResult::kFailed:
      return "failed";
  }
  return "";
}

}  // namespace orbo
