#include "app/web/soft_version.h"

#include <cstdio>
#include <limits>

namespace orbo {
namespace {

bool IsSpace(char c) {
  return c == ' ' || (c >= '\t' && c <= '\r');
}

// scanf's %d: white space, optional sign, at least one digit.
bool ReadInt(std::string_view s, size_t* pos, int* value) {
  size_t p = *pos;
  while (p < s.size() && IsSpace(s[p])) ++p;
  bool negative = false;
  if (p < s.size() && (s[p] == '+' || s[p] == '-')) {
    negative = s[p] == '-';
    ++p;
  }
  const size_t digits = p;
  long long n = 0;
  while (p < s.size() && s[p] >= '0' && s[p] <= '9') {
    n = n * 10 + (s[p] - '0');
    if (n > static_cast<long long>(std::numeric_limits<int>::max()) + 1) return false;
    ++p;
  }
  if (p == digits) return false;
  if (negative) n = -n;
  if (n > std::numeric_limits<int>::max() || n < std::numeric_limits<int>::min()) return false;
  *value = static_cast<int>(n);
  *pos = p;
  return true;
}

}  // namespace

std::optional<std::string> SoftVersionFromHelpText(std::string_view help_ch) {
  const size_t v = help_ch.find('V');
  if (v == std::string_view::npos) return std::nullopt;
  const std::string_view rest = help_ch.substr(v + 1);
  int numbers[3];
  size_t pos = 0;
  for (int i = 0; i < 3; ++i) {
    if (i > 0) {
      if (pos >= rest.size() || rest[pos] != '.') return std::nullopt;
      ++pos;
    }
    if (!ReadInt(rest, &pos, &numbers[i])) return std::nullopt;
  }
  char text[48];
  std::snprintf(text, sizeof(text), "%d.%d.%d", numbers[0], numbers[1], numbers[2]);
  return std::string(text);
}

}  // namespace orbo
