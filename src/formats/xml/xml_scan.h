// Low-level scanning of XML markup shared by the parser, the attribute
// access of XmlDoc and the encoding detection. Everything works on offsets
// into one text and never reads at or past the given limit.
#pragma once

#include <cstddef>
#include <string_view>

namespace orbo::xml {

inline bool IsSpace(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// A character that may start an element or attribute name: a letter, "_",
// ":" or any byte of a multi-byte UTF-8 sequence.
inline bool IsNameStart(char c) {
  const auto u = static_cast<unsigned char>(c);
  return (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || u == '_' || u == ':' || u >= 0x80;
}

// A character that ends a name in markup.
inline bool IsNameStop(char c) {
  return IsSpace(c) || c == '/' || c == '>' || c == '<' || c == '=' || c == '"' || c == '\'';
}

// Length of the name starting at pos (0 when none starts there).
inline size_t NameLength(std::string_view t, size_t pos) {
  size_t p = pos;
  while (p < t.size() && !IsNameStop(t[p])) ++p;
  return p - pos;
}

// True when name can be written as an element or attribute name without
// breaking the markup around it.
bool IsValidName(std::string_view name);

// One attribute inside a start tag.
struct AttrSpan {
  size_t name_pos = 0;
  size_t name_len = 0;
  bool has_value = false;
  size_t value_pos = 0;  // first byte of the value, inside the quotes
  size_t value_len = 0;
  char quote = 0;  // '"' or '\'', 0 for an unquoted value
  size_t end = 0;  // one past the attribute (past its closing quote)
};

// Where a start tag ends.
struct TagEnd {
  bool ok = false;           // a ">" ending the tag was found
  size_t end = 0;            // offset of that ">"
  bool self_closed = false;  // the tag ends with "/>"
  size_t resume = 0;         // when !ok: where parsing can go on
};

// Scans the attributes of a start tag from pos (just after the element
// name) up to the tag's ">" or the end of t. visit(const AttrSpan&) is
// called for each attribute in order. A "<" outside quotes, an unmatched
// quote or the end of t leaves the tag unterminated (ok false).
template <typename Visit>
TagEnd ScanTag(std::string_view t, size_t pos, Visit&& visit) {
  const size_t n = t.size();
  TagEnd r;
  while (true) {
    while (pos < n && IsSpace(t[pos])) ++pos;
    if (pos >= n) {
      r.resume = n;
      return r;
    }
    const char c = t[pos];
    if (c == '>') {
      r.ok = true;
      r.end = pos;
      return r;
    }
    if (c == '/') {
      if (pos + 1 < n && t[pos + 1] == '>') {
        r.ok = true;
        r.end = pos + 1;
        r.self_closed = true;
        return r;
      }
      ++pos;  // stray slash
      continue;
    }
    if (c == '<') {
      r.resume = pos;
      return r;
    }
    AttrSpan a;
    a.name_pos = pos;
    if (c == '"' || c == '\'') {
      a.name_len = 0;  // a quoted text without a name: skipped below as a value
    } else {
      a.name_len = NameLength(t, pos);
      if (a.name_len == 0) {  // "=" without a name
        ++pos;
        continue;
      }
      pos += a.name_len;
    }
    size_t after_name = pos;
    while (pos < n && IsSpace(t[pos])) ++pos;
    const bool bare_quote = a.name_len == 0;
    if (bare_quote || (pos < n && t[pos] == '=')) {
      if (!bare_quote) {
        ++pos;
        while (pos < n && IsSpace(t[pos])) ++pos;
      }
      if (pos < n && (t[pos] == '"' || t[pos] == '\'')) {
        const char q = t[pos];
        const size_t close = t.find(q, pos + 1);
        if (close == std::string_view::npos) {
          const size_t next = t.find('<', pos + 1);
          r.resume = next == std::string_view::npos ? n : next;
          return r;
        }
        a.has_value = true;
        a.quote = q;
        a.value_pos = pos + 1;
        a.value_len = close - pos - 1;
        pos = close + 1;
      } else {
        a.has_value = true;
        a.value_pos = pos;
        while (pos < n && !IsSpace(t[pos]) && t[pos] != '>' && t[pos] != '<') ++pos;
        // "<a b=c/>": the slash belongs to the tag's end
        if (pos < n && t[pos] == '>' && pos > a.value_pos && t[pos - 1] == '/') --pos;
        a.value_len = pos - a.value_pos;
      }
      a.end = pos;
    } else {
      pos = after_name;
      a.end = pos;
    }
    if (!bare_quote) visit(a);
  }
}

}  // namespace orbo::xml
