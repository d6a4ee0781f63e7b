// IsNewer: comparing a shipped component version with the box's.
#include <array>

#include "ops/transfer/firmware_update.h"

namespace orbo {
namespace {

constexpr size_t kMaxNumbers = 10;

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

// The product tag: the text after "-P:" up to the first space.
std::string_view ProductTag(std::string_view version) {
  const size_t at = version.find("-P:");
  if (at == std::string_view::npos) return {};
  std::string_view tag = version.substr(at + 3);
  return tag.substr(0, tag.find(' '));
}

// Up to ten numbers as digit runs without leading zeros, so numbers of any
// length compare exactly. Everything before the first digit is skipped;
// after it, dots separate numbers and anything else ends the scan. Missing
// numbers stay empty, which is 0.
std::array<std::string_view, kMaxNumbers> VersionNumbers(std::string_view version) {
  std::array<std::string_view, kMaxNumbers> numbers{};
  size_t i = 0;
  while (i < version.size() && !IsDigit(version[i])) ++i;
  for (size_t count = 0; count < kMaxNumbers && i < version.size() && IsDigit(version[i]);
       ++count) {
    while (i < version.size() && version[i] == '0') ++i;
    const size_t start = i;
    while (i < version.size() && IsDigit(version[i])) ++i;
    numbers[count] = version.substr(start, i - start);
    while (i < version.size() && version[i] == '.') ++i;
  }
  return numbers;
}

// <0, 0, >0 as a is smaller than, equal to or greater than b.
int CompareNumber(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return a.size() < b.size() ? -1 : 1;
  return a.compare(b);
}

}  // namespace

bool IsNewer(std::string_view new_version, std::string_view current) {
  const std::string_view new_tag = ProductTag(new_version);
  const std::string_view current_tag = ProductTag(current);
  if (!new_tag.empty() && !current_tag.empty() && new_tag != current_tag) return false;
  const auto fresh = VersionNumbers(new_version);
  const auto have = VersionNumbers(current);
  for (size_t n = 0; n < kMaxNumbers; ++n) {
    const int c = CompareNumber(fresh[n], have[n]);
    if (c != 0) return c > 0;
  }
  return false;
}

}  // namespace orbo
