#include "bridge/page_call_text.h"

#include <climits>

#include "base/codepage.h"

namespace orbo {

int ParseCommandNumber(std::string_view text) {
  size_t i = 0;
  auto is_space = [](char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
  };
  while (i < text.size() && is_space(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  // Accumulate as a negative number so INT_MIN is representable.
  long long value = 0;
  bool any = false;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    any = true;
    if (value > -(static_cast<long long>(INT_MAX) + 2)) value = value * 10 - (text[i] - '0');
  }
  if (!any) return 0;
  if (!negative) value = -value;
  if (value > INT_MAX) return INT_MAX;
  if (value < INT_MIN) return INT_MIN;
  return static_cast<int>(value);
}

std::vector<std::string> SplitSkippingEmpty(std::string_view bytes, char delimiter) {
  std::vector<std::string> fields;
  size_t start = 0;
  while (start <= bytes.size()) {
    size_t end = bytes.find(delimiter, start);
    if (end == std::string_view::npos) end = bytes.size();
    if (end > start) fields.emplace_back(bytes.substr(start, end - start));
    start = end + 1;
  }
  return fields;
}

bool ParseWifiFields(const std::string& v2, std::optional<std::string>* name,
                     std::optional<std::string>* password, size_t max_bytes) {
  name->reset();
  password->reset();
  std::string bytes;
  if (!Codepage::FromUtf8(v2, &bytes) || bytes.size() > max_bytes) return false;
  std::vector<std::string> fields = SplitSkippingEmpty(bytes, '\x02');
  if (fields.size() > 0) *name = Codepage::ToUtf8Lossy(fields[0]);
  if (fields.size() > 1) *password = Codepage::ToUtf8Lossy(fields[1]);
  return true;
}

std::string WithProjectExtension(const std::string& path) {
  static constexpr std::string_view kExt = ".kzrp";
  if (path.size() >= kExt.size() && path.compare(path.size() - kExt.size(), kExt.size(), kExt) == 0)
    return path;
  return path + std::string(kExt);
}

}  // namespace orbo
