#include "base/js_escape.h"

#include <cstdio>

#include "base/utf.h"

namespace orbo {

std::string JsEscape(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size() + utf8.size() / 8 + 4);
  size_t pos = 0;
  while (pos < utf8.size()) {
    char32_t cp;
    if (!NextCodePoint(utf8, &pos, &cp)) cp = kReplacementChar;
    switch (cp) {
      case '\\': out += "\\\\"; continue;
      case '"': out += "\\\""; continue;
      case '\'': out += "\\'"; continue;
      case '\n': out += "\\n"; continue;
      case '\r': out += "\\r"; continue;
      case '\t': out += "\\t"; continue;
      case 0x2028: out += "\\u2028"; continue;
      case 0x2029: out += "\\u2029"; continue;
      default: break;
    }
    if (cp < 0x20 || cp == 0x7F || cp == '<') {
      char buf[8];
      std::snprintf(buf, sizeof(buf), "\\x%02X", static_cast<unsigned>(cp));
      out += buf;
    } else {
      AppendUtf8(&out, cp);
    }
  }
  return out;
}

}  // namespace orbo
