#include "base/utf.h"
#include "formats/xml/xml_doc.h"

namespace orbo {
namespace {

// Decodes the reference starting with the "&" at pos. Returns its length
// (through ";") and appends the character to *out, or returns 0 when it is
// no valid reference, which then stays as written.
size_t DecodeReference(std::string_view t, size_t pos, std::string* out) {
  const size_t semi = t.find(';', pos + 1);
  if (semi == std::string_view::npos || semi - pos > 32) return 0;
  const std::string_view body = t.substr(pos + 1, semi - pos - 1);
  static constexpr struct {
    std::string_view name;
    char ch;
  } kNamed[] = {{"amp", '&'}, {"lt", '<'}, {"gt", '>'}, {"quot", '"'}, {"apos", '\''}};
  for (const auto& e : kNamed) {
    if (body == e.name) {
      out->push_back(e.ch);
      return semi - pos + 1;
    }
  }
  if (body.size() < 2 || body[0] != '#') return 0;
  const bool hex = body[1] == 'x' || body[1] == 'X';
  const std::string_view digits = body.substr(hex ? 2 : 1);
  if (digits.empty()) return 0;
  char32_t cp = 0;
  for (char c : digits) {
    int v;
    if (c >= '0' && c <= '9') {
      v = c - '0';
    } else if (hex && c >= 'a' && c <= 'f') {
      v = c - 'a' + 10;
    } else if (hex && c >= 'A' && c <= 'F') {
      v = c - 'A' + 10;
    } else {
      return 0;
    }
    cp = cp * (hex ? 16 : 10) + v;
    if (cp > 0x10FFFF) return 0;
  }
  if (cp == 0 || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
  AppendUtf8(out, cp);
  return semi - pos + 1;
}

}  // namespace

std::string XmlEscape(std::string_view text, std::string_view apostrophe) {
  std::string out;
  out.reserve(text.size() + 8);
  for (char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      case '\'':
        out += apostrophe;
        break;
      default:
        out.push_back(c);
    }
  }
  return out;
}

std::string XmlUnescape(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  size_t pos = 0;
  while (pos < text.size()) {
    const size_t amp = text.find('&', pos);
    if (amp == std::string_view::npos) {
      out.append(text.substr(pos));
      break;
    }
    out.append(text.substr(pos, amp - pos));
    const size_t used = DecodeReference(text, amp, &out);
    if (used == 0) {
      out.push_back('&');
      pos = amp + 1;
    } else {
      pos = amp + used;
    }
  }
  return out;
}

}  // namespace orbo
