#include "ops/text_scan.h"

#include <charconv>
#include <system_error>

namespace orbo {
namespace {

bool IsSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// Position after white space and an optional sign; *negative tells which.
size_t SkipSpaceAndSign(std::string_view text, size_t pos, bool* negative) {
  while (pos < text.size() && IsSpace(text[pos])) ++pos;
  *negative = false;
  if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
    *negative = text[pos] == '-';
    ++pos;
  }
  return pos;
}

}  // namespace

bool ScanDouble(std::string_view text, size_t* pos, double* value) {
  bool negative = false;
  const size_t start = SkipSpaceAndSign(text, *pos, &negative);
  if (start >= text.size() || text[start] == '+' || text[start] == '-') return false;
  double v = 0;
  const char* first = text.data() + start;
  const char* last = text.data() + text.size();
  const auto [end, ec] = std::from_chars(first, last, v, std::chars_format::general);
  if (ec != std::errc()) return false;  // no number, or outside the double range
  *value = negative ? -v : v;
  *pos = static_cast<size_t>(end - text.data());
  return true;
}

bool ScanInt(std::string_view text, size_t* pos, int* value) {
  bool negative = false;
  const size_t start = SkipSpaceAndSign(text, *pos, &negative);
  if (start >= text.size() || text[start] < '0' || text[start] > '9') return false;
  long long v = 0;
  size_t i = start;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    v = v * 10 + (text[i] - '0');
    if (v > 2147483648LL) return false;
  }
  if (negative) v = -v;
  if (v > 2147483647LL || v < -2147483648LL) return false;
  *value = static_cast<int>(v);
  *pos = i;
  return true;
}

bool ScanBoxMode(std::string_view reply, int* mode) {
  constexpr std::string_view kPrefix = "Mode=";
  if (reply.substr(0, kPrefix.size()) != kPrefix) return false;
  size_t pos = kPrefix.size();
  return ScanInt(reply, &pos, mode);
}

}  // namespace orbo
