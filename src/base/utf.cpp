#include "base/utf.h"

#include <cstdint>
#include <cstring>

namespace orbo {

bool NextCodePoint(std::string_view s, size_t* pos, char32_t* cp) {
  const size_t i = *pos;
  const auto b0 = static_cast<uint8_t>(s[i]);
  if (b0 < 0x80) {
    *cp = b0;
    *pos = i + 1;
    return true;
  }
  int len = 0;
  char32_t min = 0;
  char32_t v = 0;
  if ((b0 & 0xE0) == 0xC0) {
    len = 2, min = 0x80, v = b0 & 0x1F;
  } else if ((b0 & 0xF0) == 0xE0) {
    len = 3, min = 0x800, v = b0 & 0x0F;
  } else if ((b0 & 0xF8) == 0xF0) {
    len = 4, min = 0x10000, v = b0 & 0x07;
  } else {
    *pos = i + 1;
    return false;
  }
  if (i + len > s.size()) {
    *pos = i + 1;
    return false;
  }
  for (int k = 1; k < len; ++k) {
    const auto b = static_cast<uint8_t>(s[i + k]);
    if ((b & 0xC0) != 0x80) {
      *pos = i + 1;
      return false;
    }
    v = (v << 6) | (b & 0x3F);
  }
  if (v < min || v > 0x10FFFF || (v >= 0xD800 && v <= 0xDFFF)) {
    *pos = i + 1;
    return false;
  }
  *cp = v;
  *pos = i + len;
  return true;
}

void AppendUtf8(std::string* out, char32_t cp) {
  if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) cp = kReplacementChar;
  if (cp < 0x80) {
    out->push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out->push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out->push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out->push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out->push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out->push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

bool IsValidUtf8(std::string_view s) {
  size_t pos = 0;
  char32_t cp;
  while (pos < s.size()) {
    // Most text is ASCII: skip it eight bytes at a time.
    while (pos + 8 <= s.size()) {
      uint64_t chunk;
      std::memcpy(&chunk, s.data() + pos, 8);
      if (chunk & 0x8080808080808080ull) break;
      pos += 8;
    }
    if (pos >= s.size()) break;
    if (!NextCodePoint(s, &pos, &cp)) return false;
  }
  return true;
}

std::string SanitizeUtf8(std::string_view s) {
  std::string out;
  out.reserve(s.size());
  size_t pos = 0;
  char32_t cp;
  while (pos < s.size()) {
    const size_t start = pos;
    if (NextCodePoint(s, &pos, &cp)) {
      out.append(s.substr(start, pos - start));
    } else {
      AppendUtf8(&out, kReplacementChar);
    }
  }
  return out;
}

size_t Utf8Length(std::string_view s) {
  size_t n = 0;
  size_t pos = 0;
  char32_t cp;
  while (pos < s.size()) {
    NextCodePoint(s, &pos, &cp);
    ++n;
  }
  return n;
}

std::string Utf8Truncate(std::string_view s, size_t max_chars) {
  size_t pos = 0;
  size_t n = 0;
  char32_t cp;
  while (pos < s.size() && n < max_chars) {
    NextCodePoint(s, &pos, &cp);
    ++n;
  }
  return std::string(s.substr(0, pos));
}

bool Utf8ToUtf16(std::string_view s, std::u16string* out) {
  out->clear();
  out->reserve(s.size());
  bool ok = true;
  size_t pos = 0;
  char32_t cp;
  while (pos < s.size()) {
    if (!NextCodePoint(s, &pos, &cp)) {
      ok = false;
      cp = kReplacementChar;
    }
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out->push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
      out->push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
    } else {
      out->push_back(static_cast<char16_t>(cp));
    }
  }
  return ok;
}

std::string Utf16ToUtf8(std::u16string_view s) {
  std::string out;
  out.reserve(s.size() * 3 / 2);
  for (size_t i = 0; i < s.size(); ++i) {
    char32_t c = s[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < s.size() && s[i + 1] >= 0xDC00 &&
        s[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (s[i + 1] - 0xDC00);
      ++i;
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      c = kReplacementChar;
    }
    AppendUtf8(&out, c);
  }
  return out;
}

char AsciiLower(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EqualsIgnoreAsciiCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
  }
  return true;
}

std::string ToAsciiLower(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = AsciiLower(c);
  return out;
}

std::string VisibleText(std::string_view s, bool keep_line_feeds) {
  static const char kHex[] = "0123456789abcdef";
  std::string out;
  out.reserve(s.size());
  for (size_t pos = 0; pos < s.size();) {
    const size_t start = pos;
    char32_t cp = 0;
    if (!NextCodePoint(s, &pos, &cp)) {
      const auto byte = static_cast<unsigned char>(s[start]);
      out += "\\x";
      out += kHex[byte >> 4];
      out += kHex[byte & 15];
      pos = start + 1;
      continue;
    }
    if (cp == U'\n' && keep_line_feeds) {
      out += '\n';
    } else if (cp < 0x20 || cp == 0x7F) {
      out += "\\x";
      out += kHex[cp >> 4];
      out += kHex[cp & 15];
    } else if (cp >= 0x80 && cp <= 0x9F) {
      out += "\\u00";
      out += kHex[cp >> 4];
      out += kHex[cp & 15];
    } else {
      out.append(s.substr(start, pos - start));
    }
  }
  return out;
}

}  // namespace orbo
