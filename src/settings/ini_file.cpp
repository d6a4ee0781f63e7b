#include "settings/ini_file.h"

#include <limits>
#include <mutex>
#include <system_error>
#include <vector>

#include "base/codepage.h"
#include "base/file_util.h"
#include "base/logger.h"
#include "base/utf.h"

namespace orbo {
namespace {

constexpr std::string_view kBom = "\xEF\xBB\xBF";
// A settings file is a few hundred bytes; anything this large is not one.
constexpr size_t kMaxIniBytes = size_t{16} << 20;

struct Line {
  size_t begin;        // first byte of the line
  size_t content_end;  // end of its text, before "\r\n" or "\n"
  size_t end;          // after its line end (content_end when it has none)
};

bool IsSpace(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsSpace(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsSpace(s.back())) s.remove_suffix(1);
  return s;
}

size_t ContentStart(std::string_view bytes) {
  return bytes.starts_with(kBom) ? kBom.size() : 0;
}

std::vector<Line> SplitLines(std::string_view bytes) {
  std::vector<Line> lines;
  size_t pos = ContentStart(bytes);
  while (pos < bytes.size()) {
    size_t lf = bytes.find('\n', pos);
    Line line{};
    line.begin = pos;
    if (lf == std::string_view::npos) {
      line.content_end = line.end = bytes.size();
    } else {
      line.content_end = (lf > pos && bytes[lf - 1] == '\r') ? lf - 1 : lf;
      line.end = lf + 1;
    }
    lines.push_back(line);
    pos = line.end;
  }
  return lines;
}

std::string_view LineText(std::string_view bytes, const Line& line) {
  return bytes.substr(line.begin, line.content_end - line.begin);
}

// The name of a "[name]" header line, or nullopt for any other line. A
// header without "]" names the rest of the line.
std::optional<std::string_view> HeaderName(std::string_view text) {
  text = Trim(text);
  if (text.empty() || text.front() != '[') return std::nullopt;
  text.remove_prefix(1);
  size_t close = text.find(']');
  if (close != std::string_view::npos) text = text.substr(0, close);
  return Trim(text);
}

// Splits a "key=value" line at its first "="; false for a line without one.
bool SplitKeyLine(std::string_view text, std::string_view* key, std::string_view* value) {
  size_t eq = text.find('=');
  if (eq == std::string_view::npos) return false;
  *key = Trim(text.substr(0, eq));
  *value = Trim(text.substr(eq + 1));
  return true;
}

struct KeyLocation {
  std::optional<size_t> header;    // line index of the section's header
  std::optional<size_t> key;       // line index of the key
  std::optional<size_t> last_key;  // last key line of the section
};

KeyLocation Locate(std::string_view bytes, const std::vector<Line>& lines, std::string_view section,
                   std::string_view key) {
  KeyLocation loc;
  for (size_t i = 0; i < lines.size(); ++i) {
    std::string_view text = LineText(bytes, lines[i]);
    if (auto name = HeaderName(text)) {
      if (loc.header) break;  // only the first section of the name counts
      if (EqualsIgnoreAsciiCase(*name, section)) loc.header = i;
      continue;
    }
    if (!loc.header) continue;
    std::string_view k, v;
    if (!SplitKeyLine(text, &k, &v)) continue;
    loc.last_key = i;
    if (!loc.key && !k.empty() && EqualsIgnoreAsciiCase(k, key)) loc.key = i;
  }
  return loc;
}

std::string_view StripQuotes(std::string_view value) {
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
      value.back() == value.front()) {
    return value.substr(1, value.size() - 2);
  }
  return value;
}

std::string_view LineEnd(std::string_view bytes) {
  size_t lf = bytes.find('\n');
  if (lf != std::string_view::npos && lf > 0 && bytes[lf - 1] == '\r') return "\r\n";
  return "\n";
}

bool HasLineBreakOrNul(std::string_view s) {
  return s.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
}

bool StorableName(std::string_view name) {
  return !name.empty() && Trim(name) == name && !HasLineBreakOrNul(name) && IsValidUtf8(name);
}

std::mutex g_write_mutex;  // serialises read-modify-write of INI files

}  // namespace

IniFile IniFile::Load(const std::filesystem::path& path) {
  std::string bytes;
  if (!ReadFileBytes(path, &bytes, kMaxIniBytes)) bytes.clear();
  return IniFile(std::move(bytes));
}

std::optional<std::string> IniFile::Find(std::string_view section, std::string_view key) const {
  std::vector<Line> lines = SplitLines(bytes_);
  KeyLocation loc = Locate(bytes_, lines, section, key);
  if (!loc.key) return std::nullopt;
  std::string_view k, v;
  SplitKeyLine(LineText(bytes_, lines[*loc.key]), &k, &v);
  v = StripQuotes(v);
  if (IsValidUtf8(v)) return std::string(v);
  return Codepage::ToUtf8Lossy(v);
}

std::string IniFile::GetString(std::string_view section, std::string_view key,
                               std::string_view fallback, size_t buffer_chars) const {
  if (buffer_chars == 0) return std::string();
  std::optional<std::string> value = Find(section, key);
  return Utf8Truncate(value ? std::string_view(*value) : fallback, buffer_chars - 1);
}

int IniFile::GetInt(std::string_view section, std::string_view key, int fallback) const {
  std::optional<std::string> value = Find(section, key);
  if (!value || value->empty()) return fallback;
  std::string_view s = *value;
  bool negative = false;
  if (!s.empty() && (s.front() == '-' || s.front() == '+')) {
    negative = s.front() == '-';
    s.remove_prefix(1);
  }
  constexpr long long kLimit = static_cast<long long>(std::numeric_limits<int>::max()) + 1;
  long long n = 0;
  for (char c : s) {
    if (c < '0' || c > '9') break;
    n = n * 10 + (c - '0');
    if (n > kLimit) n = kLimit;
  }
  if (negative) return static_cast<int>(-n);
  return static_cast<int>(n > std::numeric_limits<int>::max() ? std::numeric_limits<int>::max()
                                                              : n);
}

bool IniFile::Set(std::string_view section, std::string_view key, std::string_view value) {
  if (!StorableName(section) || section.find(']') != std::string_view::npos) return false;
  if (!StorableName(key) || key.find('=') != std::string_view::npos || key.front() == '[') {
    return false;
  }
  if (HasLineBreakOrNul(value) || !IsValidUtf8(value)) return false;

  const std::string_view bytes = bytes_;
  const std::string_view eol = LineEnd(bytes);
  std::vector<Line> lines = SplitLines(bytes);
  KeyLocation loc = Locate(bytes, lines, section, key);

  std::string out;
  out.reserve(bytes.size() + section.size() + key.size() + value.size() + 8);
  if (loc.key) {
    const Line& line = lines[*loc.key];
    std::string_view file_key, old_value;
    SplitKeyLine(LineText(bytes, line), &file_key, &old_value);
    out.append(bytes.substr(0, line.begin));
    out.append(file_key).append("=").append(value);
    out.append(bytes.substr(line.content_end));
  } else if (loc.header) {
    const Line& after = lines[loc.last_key ? *loc.last_key : *loc.header];
    out.append(bytes.substr(0, after.end));
    if (after.end == after.content_end) out.append(eol);  // last line had no line end
    out.append(key).append("=").append(value).append(eol);
    out.append(bytes.substr(after.end));
  } else {
    out.append(bytes);
    if (!lines.empty()) {
      const Line& last = lines.back();
      if (last.end == last.content_end) out.append(eol);
      if (!Trim(LineText(bytes, last)).empty()) out.append(eol);  // blank line between sections
    }
    out.append("[").append(section).append("]").append(eol);
    out.append(key).append("=").append(value).append(eol);
  }
  bytes_ = std::move(out);
  return true;
}

bool UpdateIniFile(const std::filesystem::path& path, const std::function<bool(IniFile&)>& change) {
  std::lock_guard<std::mutex> lock(g_write_mutex);
  std::string bytes;
  std::error_code ec;
  const bool exists = std::filesystem::exists(path, ec);
  if (exists && !ReadFileBytes(path, &bytes, kMaxIniBytes)) {
    ORBO_LOG_WARN("settings: cannot read %s; not changing it", path.c_str());
    return false;
  }
  IniFile ini(bytes);
  if (!change(ini)) return false;
  if (exists && ini.bytes() == bytes) return true;
  if (!WriteFileAtomic(path, ini.bytes())) {
    ORBO_LOG_WARN("settings: cannot write %s", path.c_str());
    return false;
  }
  return true;
}

bool WriteIniString(const std::filesystem::path& path, std::string_view section,
                    std::string_view key, std::string_view value) {
  return UpdateIniFile(path, [&](IniFile& ini) { return ini.Set(section, key, value); });
}

}  // namespace orbo
