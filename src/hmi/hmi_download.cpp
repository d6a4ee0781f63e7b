#include "hmi/hmi_download.h"

#include <cjson/cJSON.h>

#include <cerrno>
#include <climits>
#include <cstdlib>

#include "base/logger.h"

namespace orbo {
namespace {

// Host names and address texts only: letters, digits, "-", "_" and ".".
// Anything else (spaces, quotes, ";", "$(") is no host and is never handed
// to the resolver or the command line.
bool IsPlainHost(const std::string& host) {
  if (host.empty() || host.size() > 253) return false;
  for (unsigned char c : host) {
    bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
              c == '-' || c == '_' || c == '.';
    if (!ok) return false;
  }
  return true;
}

// atoi's reading (leading spaces, a sign, digits, then anything), without
// its undefined overflow: the value is clamped to int.
int ReadPort(const std::string& text) {
  errno = 0;
  long v = std::strtol(text.c_str(), nullptr, 10);
  if (v > INT_MAX) return INT_MAX;
  if (v < INT_MIN) return INT_MIN;
  return static_cast<int>(v);
}

}  // namespace

std::string FindWineProgram(const std::string& debian_wine64) {
  for (const char* name : {"wine", "wine64"}) {
    std::string found = FindProgram(name);
    if (!found.empty()) return found;
  }
  return debian_wine64.empty() ? "" : FindProgram(debian_wine64);
}

std::optional<std::vector<std::string>> BuildHmiDownloadCommand(const std::string& json,
                                                                const std::string& editor_folder,
                                                                const HostResolver& resolve,
                                                                const std::string& debian_wine64) {
  cJSON* root = cJSON_Parse(json.c_str());
  if (!root) return std::nullopt;
  std::string url;
  // Member names match without regard to letter case, as the page's other
  // JSON texts do.
  const cJSON* item = cJSON_GetObjectItem(root, "url");
  if (cJSON_IsString(item) && item->valuestring) url = item->valuestring;
  cJSON_Delete(root);

  size_t colon = url.find(':');
  if (colon == std::string::npos) return std::nullopt;
  std::string host = url.substr(0, colon);
  int port = ReadPort(url.substr(colon + 1));
  if (!IsPlainHost(host)) {
    ORBO_LOG_WARN("download tool not started: \"%s\" is not a host name", host.c_str());
    return std::nullopt;
  }
  std::optional<std::string> address = resolve(host);
  if (!address) return std::nullopt;
  std::string spaced = *address;
  for (char& c : spaced) {
    if (c == '.') c = ' ';
  }
  std::string argument = "LoadMode2 " + spaced + " 0 " + std::to_string(port);

  std::string program = editor_folder + "Download.exe";
  // Resolved now so the header check looks at the file that would run.
  std::string found = FindProgram(program);
  if (found.empty()) found = program;
  if (!HasWindowsExecutableHeader(found)) return std::vector<std::string>{found, argument};
  std::string wine = FindWineProgram(debian_wine64);
  if (wine.empty()) {
    ORBO_LOG_WARN("download tool not started: %s is a Windows program and Wine is needed to run it "
                  "(install the wine or wine64 package)",
                  found.c_str());
    return std::nullopt;
  }
  return std::vector<std::string>{wine, found, argument};
}

int LaunchHmiDownload(const std::string& json, const std::string& editor_folder,
                      const HostResolver& resolve, const ProgramStarter& start,
                      const std::string& debian_wine64) {
  auto argv = BuildHmiDownloadCommand(json, editor_folder, resolve, debian_wine64);
  if (!argv) return 0;
  return start(*argv) ? 1 : 0;
}

}  // namespace orbo
