// Starting the panel editor's download tool against a box's pass-through
// endpoint (the page command kHmiDownload). The tool runs as
//   <editor folder>Download.exe "LoadMode2 192 168 1 20 0 8000"
// i.e. the program and exactly one argument, never through a shell. A
// Download.exe that is a Windows executable is started through Wine
// (FindWineProgram).
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/process_start.h"

namespace orbo {

// The first address of a host name as text; nullopt when it does not
// resolve (platform/host_address.h gives the real one).
using HostResolver = std::function<std::optional<std::string>(const std::string& host)>;

// Debian's wine64 package puts its loader here and nothing in PATH (only
// the wine package adds "wine" to PATH).
inline constexpr const char* kDebianWine64 = "/usr/lib/wine/wine64";

// The program that runs a Windows download tool: "wine" from PATH, else
// "wine64" from PATH, else debian_wine64 when it is an executable file.
// Empty when there is none.
std::string FindWineProgram(const std::string& debian_wine64 = kDebianWine64);

// The argument vector for the page's JSON text ({"url": "host:port", ...}),
// or nullopt when the text is not JSON, "url" has no ":", the host is not a
// plain host name or address, or it does not resolve, or the tool is a
// Windows program and no Wine is installed (logged: Wine is needed).
// editor_folder ends with "/"; when empty, Download.exe is looked up in
// PATH. debian_wine64 is FindWineProgram's last choice.
std::optional<std::vector<std::string>> BuildHmiDownloadCommand(
    const std::string& json, const std::string& editor_folder, const HostResolver& resolve,
    const std::string& debian_wine64 = kDebianWine64);

// Builds the command and starts it without waiting. 1 when it started,
// else 0.
int LaunchHmiDownload(const std::string& json, const std::string& editor_folder,
                      const HostResolver& resolve, const ProgramStarter& start,
                      const std::string& debian_wine64 = kDebianWine64);

}  // namespace orbo
