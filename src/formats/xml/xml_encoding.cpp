#include "formats/xml/xml_encoding.h"

#include <algorithm>

#include "base/codepage.h"
#include "base/utf.h"
#include "formats/xml/xml_scan.h"

namespace orbo::xml {
namespace {

constexpr size_t kHeadBytes = 1024;

void Log(std::vector<std::string>* log, const char* name) {
  if (std::find(log->begin(), log->end(), name) == log->end()) log->emplace_back(name);
}

bool IsUtf8Name(std::string_view name) {
  return EqualsIgnoreAsciiCase(name, "UTF-8") || EqualsIgnoreAsciiCase(name, "UTF8");
}

bool IsUtf16Name(std::string_view name) {
  const std::string lower = ToAsciiLower(name);
  return lower.starts_with("utf-16") || lower.starts_with("utf16") || lower.starts_with("ucs-2");
}

bool IsBigEndianName(std::string_view name) {
  const std::string lower = ToAsciiLower(name);
  return lower.ends_with("be");
}

// A declared name is used only when it looks like an encoding name.
bool IsPlausibleName(std::string_view name) {
  if (name.empty() || name.size() > 40) return false;
  return std::all_of(name.begin(), name.end(), [](char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '_' || c == '.' || c == ':';
  });
}

// True when iconv knows the encoding and it keeps ASCII as ASCII both ways:
// a declaration found by reading the file byte by byte can then be true (a
// UTF-16 or UTF-32 name found that way cannot), and a document written in
// it still starts with a declaration that can be found again (UTF-7 reads
// ASCII but writes "<" as "+ADw-").
bool KeepsAscii(std::string_view name) {
  static constexpr std::string_view kProbe = "<?xml version=\"1.0\" encoding=\"x\"?><a b='c'/>";
  std::string read, written;
  bool lossy = false;
  return ConvertCharset("UTF-8", name, kProbe, &read, {.stop = true}, &lossy) && !lossy &&
         read == kProbe &&
         ConvertCharset(name, "UTF-8", kProbe, &written, {.stop = true}, &lossy) && !lossy &&
         written == kProbe;
}

// True when the invalid sequence at pos is a valid start cut off by the end.
bool IsTruncatedTail(std::string_view s, size_t pos) {
  const auto b = static_cast<unsigned char>(s[pos]);
  size_t len = 0;
  if (b >= 0xC2 && b <= 0xDF) {
    len = 2;
  } else if (b >= 0xE0 && b <= 0xEF) {
    len = 3;
  } else if (b >= 0xF0 && b <= 0xF4) {
    len = 4;
  } else {
    return false;
  }
  if (pos + len <= s.size()) return false;
  for (size_t i = pos + 1; i < s.size(); ++i) {
    if ((static_cast<unsigned char>(s[i]) & 0xC0) != 0x80) return false;
  }
  return true;
}

void DecodeUtf8(std::string_view bytes, std::string* out, std::vector<std::string>* log) {
  if (IsValidUtf8(bytes)) {
    out->assign(bytes);
    return;
  }
  Log(log, "conversion_loss");
  out->clear();
  out->reserve(bytes.size() + 16);
  size_t pos = 0;
  while (pos < bytes.size()) {
    const size_t at = pos;
    char32_t cp;
    if (NextCodePoint(bytes, &pos, &cp)) {
      out->append(bytes.substr(at, pos - at));
      continue;
    }
    if (IsTruncatedTail(bytes, at)) {
      Log(log, "truncation_error");
      pos = bytes.size();
    }
    AppendUtf8(out, kReplacementChar);
  }
}

void DecodeUtf16(std::string_view bytes, bool big_endian, std::string* out,
                 std::vector<std::string>* log) {
  if (bytes.size() % 2 != 0) {
    Log(log, "truncation_error");
    bytes.remove_suffix(1);
  }
  out->clear();
  out->reserve(bytes.size());
  auto unit = [&](size_t i) -> char32_t {
    const auto a = static_cast<unsigned char>(bytes[i]);
    const auto b = static_cast<unsigned char>(bytes[i + 1]);
    return big_endian ? (a << 8 | b) : (b << 8 | a);
  };
  bool loss = false;
  for (size_t i = 0; i < bytes.size(); i += 2) {
    char32_t u = unit(i);
    if (u >= 0xD800 && u <= 0xDBFF && i + 3 < bytes.size()) {
      const char32_t low = unit(i + 2);
      if (low >= 0xDC00 && low <= 0xDFFF) {
        AppendUtf8(out, 0x10000 + ((u - 0xD800) << 10) + (low - 0xDC00));
        i += 2;
        continue;
      }
    }
    if (u >= 0xD800 && u <= 0xDFFF) {
      loss = true;
      u = kReplacementChar;
    }
    AppendUtf8(out, u);
  }
  if (loss) Log(log, "conversion_loss");
}

// UTF-8 -> UTF-16 bytes in the given order; false when text is not valid
// UTF-8.
bool EncodeUtf16(std::string_view text, bool big_endian, std::string* out) {
  std::u16string units;
  if (!Utf8ToUtf16(text, &units)) return false;
  out->reserve(out->size() + units.size() * 2);
  for (const char16_t u : units) {
    const char hi = static_cast<char>(u >> 8), lo = static_cast<char>(u & 0xFF);
    out->push_back(big_endian ? hi : lo);
    out->push_back(big_endian ? lo : hi);
  }
  return true;
}

void RemoveNulls(std::string* text, std::vector<std::string>* log) {
  if (text->find('\0') == std::string::npos) return;
  std::erase(*text, '\0');
  Log(log, "nulls_removed");
}

// The value after "charset=" in a Content-Type text, empty when none.
std::string CharsetOf(std::string_view content) {
  const std::string lower = ToAsciiLower(content);
  const size_t at = lower.find("charset=");
  if (at == std::string::npos) return {};
  std::string_view v = content.substr(at + 8);
  const size_t semi = v.find(';');
  if (semi != std::string_view::npos) v = v.substr(0, semi);
  while (!v.empty() && (IsSpace(v.front()) || v.front() == '\'' || v.front() == '"')) {
    v.remove_prefix(1);
  }
  while (!v.empty() && (IsSpace(v.back()) || v.back() == '\'' || v.back() == '"')) {
    v.remove_suffix(1);
  }
  return std::string(v);
}

std::string FromHtmlMeta(std::string_view text) {
  const std::string lower = ToAsciiLower(text);
  size_t at = 0;
  while ((at = lower.find("<meta", at)) != std::string::npos) {
    at += 5;
    std::string http_equiv, content, charset;
    ScanTag(text, at, [&](const AttrSpan& a) {
      if (!a.has_value) return;
      const std::string_view name = text.substr(a.name_pos, a.name_len);
      const std::string_view value = text.substr(a.value_pos, a.value_len);
      if (EqualsIgnoreAsciiCase(name, "http-equiv")) http_equiv = value;
      if (EqualsIgnoreAsciiCase(name, "content")) content = value;
      if (EqualsIgnoreAsciiCase(name, "charset")) charset = value;
    });
    if (EqualsIgnoreAsciiCase(http_equiv, "Content-Type")) {
      std::string name = CharsetOf(content);
      if (!name.empty()) return name;
    }
    if (!charset.empty()) return charset;
  }
  return {};
}

}  // namespace

std::string FindDeclaredEncoding(std::string_view text, bool html_meta) {
  size_t p = 0;
  if (text.starts_with("\xEF\xBB\xBF")) p = 3;
  while (p < text.size() && IsSpace(text[p])) ++p;
  std::string found;
  if (text.substr(p).starts_with("<?xml") && p + 5 < text.size() && IsSpace(text[p + 5])) {
    const size_t close = text.find("?>", p + 5);
    const std::string_view decl =
        text.substr(0, close == std::string_view::npos ? text.size() : close);
    ScanTag(decl, p + 5, [&](const AttrSpan& a) {
      if (a.has_value && decl.substr(a.name_pos, a.name_len) == "encoding") {
        found = decl.substr(a.value_pos, a.value_len);
      }
    });
  }
  if (found.empty() && html_meta) found = FromHtmlMeta(text);
  return IsPlausibleName(found) ? found : std::string();
}

DecodedText DecodeFileBytes(std::string_view bytes, std::vector<std::string>* log) {
  DecodedText r;
  if (bytes.starts_with("\xEF\xBB\xBF")) {
    r.encoding = "UTF-8";
    r.utf8_bom = true;
    DecodeUtf8(bytes.substr(3), &r.text, log);
  } else if (bytes.starts_with("\xFF\xFE")) {
    r.encoding = "UTF-16LE";
    r.utf16_le = true;
    Log(log, "converted_from");
    DecodeUtf16(bytes.substr(2), false, &r.text, log);
  } else if (bytes.starts_with("\xFE\xFF")) {
    r.encoding = "UTF-16BE";
    r.utf16_be = true;
    Log(log, "endian_swap");
    Log(log, "converted_from");
    DecodeUtf16(bytes.substr(2), true, &r.text, log);
  } else {
    const std::string declared = FindDeclaredEncoding(bytes.substr(0, kHeadBytes), true);
    const bool usable = !declared.empty() && KeepsAscii(declared);
    if (usable && IsUtf8Name(declared)) {
      r.encoding = declared;
      DecodeUtf8(bytes, &r.text, log);
    } else if (usable) {
      r.encoding = declared;
      bool lossy = false;
      ConvertCharset("UTF-8", declared, bytes, &r.text, {.replacement = "\xEF\xBF\xBD"}, &lossy);
      Log(log, "converted_from");
      if (lossy) Log(log, "conversion_loss");
    } else if (!bytes.empty() && bytes[0] == '<') {
      r.encoding = "UTF-8";
      DecodeUtf8(bytes, &r.text, log);
    } else {
      Log(log, "utf8_detection");
      if (IsValidUtf8(bytes)) {
        r.encoding = "UTF-8";
        r.text.assign(bytes);
      } else {
        r.encoding = "ANSI";
        Log(log, "converted_from");
        if (!Codepage::ToUtf8(bytes, &r.text)) Log(log, "conversion_loss");
      }
    }
  }
  RemoveNulls(&r.text, log);
  return r;
}

bool EncodeText(std::string_view text, std::string_view encoding, bool bom, std::string* out,
                std::vector<std::string>* log) {
  out->clear();
  bool ok = true;
  if (encoding.empty() || IsUtf8Name(encoding)) {
    // Written as held: nothing is converted, so nothing can be lost.
    if (bom) out->append("\xEF\xBB\xBF");
    out->append(text);
    return true;
  }
  if (IsUtf16Name(encoding)) {
    const bool big = IsBigEndianName(encoding);
    if (bom) out->append(big ? "\xFE\xFF" : "\xFF\xFE");
    ok = EncodeUtf16(text, big, out);
    if (big) Log(log, "endian_swap");
  } else if (EqualsIgnoreAsciiCase(encoding, "ANSI")) {
    bool lossy = false;
    ok = Codepage::FromUtf8(text, out, &lossy) && !lossy;
  } else {
    bool lossy = false;
    if (!KeepsAscii(encoding) ||
        !ConvertCharset(encoding, "UTF-8", text, out, {.stop = true}, &lossy)) {
      // Not an encoding this system knows, or one whose file could not be
      // read back as itself: keep the text as UTF-8.
      out->assign(text);
      return true;
    }
    ok = !lossy;
  }
  if (!ok) {
    out->clear();
    Log(log, "conversion_loss");
    return false;
  }
  Log(log, "converted_to");
  return true;
}

}  // namespace orbo::xml
