// Opening an address outside the tool, in the selected browser.
#pragma once

#include <string>
#include <vector>

#include "platform/process_start.h"

namespace orbo {

class BrowserList;

enum class OpenResult {
  kStarted,    // the browser (or the system's handler) was started
  kNoBrowser,  // no browser is selected: nothing was opened
  kRefused,    // the address is empty, holds a control character or starts
               // with "-" (it would be read as an option)
  kFailed,     // the program did not start
};

// The argument vector that opens url: for the selected name "Edge" the
// system's handler with "microsoft-edge:" + url; otherwise the selected
// path (surrounding double quotes removed) with url as its one argument.
// Empty when nothing would be opened.
std::vector<std::string> BrowserOpenCommand(const std::string& selected_name,
                                            const std::string& selected_path,
                                            const std::string& url);

// The system's handler of addresses with text as its one argument:
// `xdg-open TEXT` when it is installed, else `gio open TEXT`.
std::vector<std::string> SystemOpenCommand(const std::string& text);

OpenResult OpenUrl(const BrowserList& list, const std::string& url, const ProgramStarter& start);

// "started", "no browser", "refused", "failed".
const char* OpenResultText(OpenResult result);

}  // namespace orbo
