// Which pages get the bridge: the tool's own pages (files under the app
// directory's "html" folder) and the configured monitor site. Every other
// page gets neither app.jsInvokeCPlusPlus nor the page values, and the
// window drops page calls that arrive from it.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace orbo {

// The parts of an absolute URI the rule looks at.
struct UriParts {
  std::string scheme;  // lower case
  std::string host;    // lower case, without user info or brackets
  int port = -1;       // explicit port, or the scheme's default, or -1
  std::string path;    // percent-decoded for file URIs, raw otherwise
};

// Splits an absolute URI; nullopt when it has no scheme, when a file URI
// names a host other than "" or "localhost", or when its path does not
// decode (bad escape or a NUL byte).
std::optional<UriParts> ParseUri(std::string_view uri);

// The address the window loads for a page address: a path without a
// scheme becomes a file URI (absolute path, percent-encoded); anything
// with a scheme is returned unchanged.
std::string PageAddressToUri(std::string_view address);

// True when the page at uri may use the bridge: a file URI whose path,
// after removing "." and ".." lexically, lies inside appDir/html; or an
// http(s) URI with the same scheme, host and port as monitorUrl (the
// monitor site). A monitorUrl that is a local path or file URI allows that
// one file. Query and fragment never matter.
bool IsBridgePage(std::string_view uri, const std::filesystem::path& appDir,
                  std::string_view monitorUrl);

}  // namespace orbo
