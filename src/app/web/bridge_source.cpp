#include "app/web/bridge_source.h"

namespace orbo {
namespace {

constexpr std::string_view kNative = "native";
constexpr std::string_view kFunction = "function";

bool IsSpace(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}
bool IsIdentStart(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c == '$';
}
bool IsIdentPart(char c) {
  return IsIdentStart(c) || (c >= '0' && c <= '9');
}

size_t SkipSpace(std::string_view s, size_t pos) {
  while (pos < s.size() && IsSpace(s[pos])) ++pos;
  return pos;
}

// Parses a declaration starting at pos (which holds "native"). Returns the
// position after its ";" and the name, or npos when it is not one.
size_t ParseDeclaration(std::string_view s, size_t pos, std::string_view* name) {
  size_t p = pos + kNative.size();
  if (p >= s.size() || !IsSpace(s[p])) return std::string_view::npos;
  p = SkipSpace(s, p);
  if (s.substr(p, kFunction.size()) != kFunction) return std::string_view::npos;
  p += kFunction.size();
  if (p >= s.size() || !IsSpace(s[p])) return std::string_view::npos;
  p = SkipSpace(s, p);
  if (p >= s.size() || !IsIdentStart(s[p])) return std::string_view::npos;
  const size_t name_start = p;
  while (p < s.size() && IsIdentPart(s[p])) ++p;
  *name = s.substr(name_start, p - name_start);
  p = SkipSpace(s, p);
  if (p >= s.size() || s[p] != '(') return std::string_view::npos;
  p = SkipSpace(s, p + 1);
  if (p >= s.size() || s[p] != ')') return std::string_view::npos;
  p = SkipSpace(s, p + 1);
  if (p >= s.size() || s[p] != ';') return std::string_view::npos;
  return p + 1;
}

}  // namespace

std::string BindNativeDeclarations(std::string_view source, std::string_view holder,
                                   std::vector<std::string>* names) {
  std::string out;
  out.reserve(source.size() + 32);
  size_t pos = 0;
  for (;;) {
    size_t found = source.find(kNative, pos);
    // "native" must start a token, not end an identifier like "mynative".
    while (found != std::string_view::npos && found > 0 && IsIdentPart(source[found - 1])) {
      found = source.find(kNative, found + 1);
    }
    if (found == std::string_view::npos) break;
    std::string_view name;
    const size_t end = ParseDeclaration(source, found, &name);
    if (end == std::string_view::npos) {
      out.append(source.substr(pos, found + kNative.size() - pos));
      pos = found + kNative.size();
      continue;
    }
    out.append(source.substr(pos, found - pos));
    out.append("var ").append(name).append(" = ").append(holder).append(".").append(name);
    out.push_back(';');
    if (names != nullptr) names->emplace_back(name);
    pos = end;
  }
  out.append(source.substr(pos));
  return out;
}

}  // namespace orbo
