#include "app/web/page_origin.h"

#include "base/utf.h"

namespace orbo {
namespace {

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::optional<std::string> PercentDecode(std::string_view s) {
  std::string out;
  out.reserve(s.size());
  for (size_t i = 0; i < s.size(); ++i) {
    char c = s[i];
    if (c == '%') {
      if (i + 2 >= s.size()) return std::nullopt;
      const int hi = HexValue(s[i + 1]);
      const int lo = HexValue(s[i + 2]);
      if (hi < 0 || lo < 0) return std::nullopt;
      c = static_cast<char>(hi * 16 + lo);
      i += 2;
    }
    if (c == '\0') return std::nullopt;
    out.push_back(c);
  }
  return out;
}

bool IsSchemeChar(char c, bool first) {
  if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z')) return true;
  if (first) return false;
  return (c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.';
}

// The scheme of an absolute URI, or empty when there is none. A single
// letter before ":" is not taken as a scheme (a drive letter, not a URI).
std::string SchemeOf(std::string_view uri) {
  const size_t colon = uri.find(':');
  if (colon == std::string_view::npos || colon < 2) return std::string();
  for (size_t i = 0; i < colon; ++i) {
    if (!IsSchemeChar(uri[i], i == 0)) return std::string();
  }
  return ToAsciiLower(uri.substr(0, colon));
}

int DefaultPort(std::string_view scheme) {
  if (scheme == "http") return 80;
  if (scheme == "https") return 443;
  return -1;
}

bool PathInside(const std::filesystem::path& path, const std::filesystem::path& dir) {
  auto p = path.begin();
  for (auto d = dir.begin(); d != dir.end(); ++d, ++p) {
    if (d->empty()) continue;  // trailing separator of dir
    if (p == path.end() || *p != *d) return false;
  }
  return p != path.end();
}

std::filesystem::path Normal(const std::filesystem::path& path) {
  std::error_code ec;
  std::filesystem::path abs = std::filesystem::absolute(path, ec);
  if (ec) abs = path;
  return abs.lexically_normal();
}

}  // namespace

std::optional<UriParts> ParseUri(std::string_view uri) {
  UriParts parts;
  parts.scheme = SchemeOf(uri);
  if (parts.scheme.empty()) return std::nullopt;
  std::string_view rest = uri.substr(parts.scheme.size() + 1);
  const size_t end = rest.find_first_of("?#");
  if (end != std::string_view::npos) rest = rest.substr(0, end);
  std::string_view authority;
  if (rest.substr(0, 2) == "//") {
    rest.remove_prefix(2);
    const size_t slash = rest.find('/');
    authority = rest.substr(0, slash);
    rest = slash == std::string_view::npos ? std::string_view() : rest.substr(slash);
  }
  const size_t at = authority.rfind('@');
  if (at != std::string_view::npos) authority.remove_prefix(at + 1);
  std::string_view host = authority;
  std::string_view port;
  if (!host.empty() && host.front() == '[') {
    const size_t close = host.find(']');
    if (close == std::string_view::npos) return std::nullopt;
    port = host.substr(close + 1);
    host = host.substr(1, close - 1);
    if (!port.empty() && port.front() != ':') return std::nullopt;
    if (!port.empty()) port.remove_prefix(1);
  } else {
    const size_t colon = host.rfind(':');
    if (colon != std::string_view::npos) {
      port = host.substr(colon + 1);
      host = host.substr(0, colon);
    }
  }
  parts.host = ToAsciiLower(host);
  parts.port = DefaultPort(parts.scheme);
  if (!port.empty()) {
    if (port.size() > 5) return std::nullopt;
    int value = 0;
    for (char c : port) {
      if (c < '0' || c > '9') return std::nullopt;
      value = value * 10 + (c - '0');
    }
    if (value > 65535) return std::nullopt;
    parts.port = value;
  }
  if (parts.scheme == "file") {
    if (!parts.host.empty() && parts.host != "localhost") return std::nullopt;
    std::optional<std::string> decoded = PercentDecode(rest);
    if (!decoded) return std::nullopt;
    parts.path = *decoded;
  } else {
    parts.path = std::string(rest);
  }
  return parts;
}

std::string PageAddressToUri(std::string_view address) {
  if (!SchemeOf(address).empty()) return std::string(address);
  const std::string path = Normal(std::filesystem::path(std::string(address))).string();
  static const char kHex[] = "0123456789ABCDEF";
  std::string uri = "file://";
  for (unsigned char c : path) {
    const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                       c == '/' || c == '-' || c == '_' || c == '.' || c == '~';
    if (plain) {
      uri.push_back(static_cast<char>(c));
    } else {
      uri.push_back('%');
      uri.push_back(kHex[c >> 4]);
      uri.push_back(kHex[c & 15]);
    }
  }
  return uri;
}

bool IsBridgePage(std::string_view uri, const std::filesystem::path& appDir,
                  std::string_view monitorUrl) {
  std::optional<UriParts> page = ParseUri(uri);
  if (!page) return false;
  if (page->scheme == "file") {
    const std::filesystem::path path = std::filesystem::path(page->path).lexically_normal();
    if (!appDir.empty() && PathInside(path, Normal(appDir / "html"))) return true;
  }
  if (monitorUrl.empty()) return false;
  std::optional<UriParts> monitor = ParseUri(PageAddressToUri(monitorUrl));
  if (!monitor || monitor->scheme != page->scheme) return false;
  if (page->scheme == "file") {
    return std::filesystem::path(page->path).lexically_normal() ==
           std::filesystem::path(monitor->path).lexically_normal();
  }
  if (page->scheme != "http" && page->scheme != "https") return false;
  return !page->host.empty() && page->host == monitor->host && page->port == monitor->port;
}

}  // namespace orbo
