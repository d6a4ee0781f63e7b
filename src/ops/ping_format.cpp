#include "ops/ping_format.h"

#include <cstdio>
#include <cstring>

namespace orbo {
namespace {

constexpr size_t kMaxNumberDigits = 3;

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

// Skips up to kMaxNumberDigits digits at *pos; false when there are more.
bool SkipNumber(std::string_view s, size_t* pos) {
  size_t digits = 0;
  while (*pos < s.size() && IsDigit(s[*pos])) {
    ++*pos;
    ++digits;
  }
  return digits <= kMaxNumberDigits;
}

}  // namespace

bool IsThreeTimesFormat(std::string_view format) {
  if (format.find('\0') != std::string_view::npos) return false;
  int conversions = 0;
  size_t i = 0;
  while (i < format.size()) {
    if (format[i] != '%') {
      ++i;
      continue;
    }
    ++i;
    if (i < format.size() && format[i] == '%') {
      ++i;
      continue;
    }
    while (i < format.size() && std::strchr("-+ #0", format[i]) != nullptr) ++i;
    if (!SkipNumber(format, &i)) return false;
    if (i < format.size() && format[i] == '.') {
      ++i;
      if (!SkipNumber(format, &i)) return false;
    }
    if (i < format.size() && format[i] == 'l') ++i;  // no effect on a double
    if (i >= format.size() || std::strchr("fFeEgGaA", format[i]) == nullptr) return false;
    ++i;
    ++conversions;
  }
  return conversions == 3;
}

std::string FormatPingTimes(std::string_view format, double t1, double t2, double t3) {
  const std::string checked(IsThreeTimesFormat(format) ? format : kFallbackPingFormat);
  // The format was checked above: three double conversions, nothing else.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
  const int length = std::snprintf(nullptr, 0, checked.c_str(), t1, t2, t3);
  if (length <= 0) return std::string();
  std::string out(static_cast<size_t>(length) + 1, '\0');
  std::snprintf(out.data(), out.size(), checked.c_str(), t1, t2, t3);
#pragma GCC diagnostic pop
  out.resize(static_cast<size_t>(length));
  return out;
}

}  // namespace orbo
