// ReadVersionList: the box's list of installed firmware components.
#include <cstring>

#include "base/logger.h"
#include "ops/transfer/firmware_update.h"

namespace orbo {
namespace {

constexpr std::string_view kCommand = "GetAllVersion\r";
constexpr size_t kLengthTextSize = 4;
constexpr int kLengthTries = 3;

// The list length announced in the 4-byte text: optional blanks, an
// optional sign and decimal digits. -1 when there are no digits.
long ParseLength(const char (&text)[kLengthTextSize + 1]) {
  size_t i = 0;
  while (i < kLengthTextSize && (text[i] == ' ' || text[i] == '\t')) ++i;
  bool negative = false;
  if (i < kLengthTextSize && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  long value = 0;
  size_t digits = 0;
  for (; i < kLengthTextSize && text[i] >= '0' && text[i] <= '9'; ++i, ++digits) {
    value = value * 10 + (text[i] - '0');
  }
  if (digits == 0) return -1;
  return negative ? -value : value;
}

// Reads the length text: up to three reads until its first byte is not
// zero. A stream read that brings part of it is completed by one more read.
bool ReadLengthText(BoxLink& link, char (&text)[kLengthTextSize + 1]) {
  for (int attempt = 0; attempt < kLengthTries; ++attempt) {
    std::memset(text, 0, sizeof(text));
    int64_t n = 0;
    link.Read(text, kLengthTextSize, &n);
    if (text[0] == '\0') continue;
    if (n > 0 && n < static_cast<int64_t>(kLengthTextSize)) {
      int64_t more = 0;
      link.Read(text + n, kLengthTextSize - static_cast<size_t>(n), &more);
    }
    return true;
  }
  return false;
}

bool ReadList(BoxLink& link, std::string* list) {
  list->clear();
  int64_t written = 0;
  if (!link.Write(kCommand.data(), kCommand.size(), &written)) return false;

  char length_text[kLengthTextSize + 1];
  if (!ReadLengthText(link, length_text)) return false;
  const long announced = ParseLength(length_text);
  if (announced <= 0) {
    // Not a length: nothing tells how much follows, and reading until the
    // box falls silent could take in anything. The purge drops the rest.
    ORBO_LOG_WARN("version list length \"%s\" is not a positive number", length_text);
    return false;
  }
  // Whatever was announced, the list ends inside its buffer.
  const size_t want = std::min<size_t>(static_cast<size_t>(announced), kVersionListSize);
  std::string buffer(want, '\0');
  size_t got = 0;
  while (got < want) {
    int64_t n = 0;
    const bool ok = link.Read(buffer.data() + got, want - got, &n);
    if (n <= 0) break;
    got += std::min(static_cast<size_t>(n), want - got);
    if (!ok) break;
  }
  buffer.resize(got);
  // The list is text: it ends at its first zero byte.
  buffer.resize(std::strlen(buffer.c_str()));
  *list = std::move(buffer);
  return true;
}

}  // namespace

bool ReadVersionList(BoxLink& link, std::string* list) {
  link.Purge();
  const bool read = ReadList(link, list);
  link.Purge();
  if (!read || list->empty() || list->starts_with("ERROR\r")) {
    ORBO_LOG_DEBUG("no version list (%zu bytes)", list->size());
    return false;
  }
  return true;
}

}  // namespace orbo
