#include "platform/linux/desktop_entry.h"

namespace orbo {
namespace {

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) {
    s.remove_suffix(1);
  }
  return s;
}

// The value escapes: \s \n \t \r \\ (a backslash before anything else is
// kept, so the Exec quoting below still sees it).
std::string DecodeValue(std::string_view v) {
  std::string out;
  for (size_t i = 0; i < v.size(); ++i) {
    if (v[i] != '\\' || i + 1 >= v.size()) {
      out += v[i];
      continue;
    }
    const char e = v[++i];
    switch (e) {
      case 's':
        out += ' ';
        break;
      case 'n':
        out += '\n';
        break;
      case 't':
        out += '\t';
        break;
      case 'r':
        out += '\r';
        break;
      case '\\':
        out += '\\';
        break;
      default:
        out += '\\';
        out += e;
    }
  }
  return out;
}

bool IsFieldCode(std::string_view arg) {
  return arg.size() == 2 && arg[0] == '%' &&
         std::string_view("fFuUdDnNickvm").find(arg[1]) != std::string_view::npos;
}

// The split of one line: the group a header names, or a key and its raw
// value. Comments, blank and broken lines have neither.
struct LineParts {
  bool header = false;
  std::string_view name;  // group name or key
  std::string_view value;
};

LineParts SplitLine(std::string_view raw) {
  LineParts parts;
  const std::string_view line = Trim(raw);
  if (line.empty() || line.front() == '#') return parts;
  if (line.front() == '[') {
    parts.header = true;
    // A header with anything after its "]" names no real group.
    parts.name = line.back() == ']' ? line.substr(1, line.size() - 2) : line;
    return parts;
  }
  const size_t eq = line.find('=');
  if (eq == std::string_view::npos) return parts;
  parts.name = Trim(line.substr(0, eq));
  parts.value = Trim(line.substr(eq + 1));
  return parts;
}

}  // namespace

DesktopFile DesktopFile::Parse(std::string_view text) {
  DesktopFile file;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find('\n', pos);
    if (end == std::string_view::npos) end = text.size();
    const std::string_view raw = text.substr(pos, end - pos);
    pos = end + 1;
    const LineParts parts = SplitLine(raw);
    if (parts.header) {
      file.groups_.push_back(Group{std::string(parts.name), std::string(raw), {}});
      continue;
    }
    file.groups_.back().lines.push_back(Line{std::string(raw), std::string(parts.name)});
  }
  return file;
}

DesktopFile::Group* DesktopFile::Find(std::string_view group) {
  for (size_t i = 1; i < groups_.size(); ++i) {
    if (groups_[i].name == group) return &groups_[i];
  }
  return nullptr;
}

const DesktopFile::Group* DesktopFile::Find(std::string_view group) const {
  return const_cast<DesktopFile*>(this)->Find(group);
}

std::optional<std::string> DesktopFile::Get(std::string_view group, std::string_view key) const {
  const Group* g = Find(group);
  if (g == nullptr) return std::nullopt;
  for (const Line& line : g->lines) {
    if (line.key == key) return DecodeValue(SplitLine(line.raw).value);
  }
  return std::nullopt;
}

void DesktopFile::Set(std::string_view group, std::string_view key, std::string_view value) {
  Group* g = Find(group);
  if (g == nullptr) {
    groups_.push_back(Group{std::string(group), "[" + std::string(group) + "]", {}});
    g = &groups_.back();
  }
  const std::string raw = std::string(key) + "=" + EscapeDesktopValue(value);
  for (Line& line : g->lines) {
    if (line.key == key) {
      line.raw = raw;
      return;
    }
  }
  // Added after the group's last key, before the blank lines that part it
  // from the next group.
  size_t at = g->lines.size();
  while (at > 0 && Trim(g->lines[at - 1].raw).empty()) --at;
  g->lines.insert(g->lines.begin() + static_cast<std::ptrdiff_t>(at), Line{raw, std::string(key)});
}

void DesktopFile::Remove(std::string_view group, std::string_view key) {
  Group* g = Find(group);
  if (g == nullptr) return;
  std::erase_if(g->lines, [key](const Line& line) { return line.key == key; });
}

std::vector<std::string> DesktopFile::Groups() const {
  std::vector<std::string> names;
  for (size_t i = 1; i < groups_.size(); ++i) names.push_back(groups_[i].name);
  return names;
}

std::vector<std::string> DesktopFile::Keys(std::string_view group) const {
  std::vector<std::string> keys;
  if (const Group* g = Find(group)) {
    for (const Line& line : g->lines) {
      if (!line.key.empty()) keys.push_back(line.key);
    }
  }
  return keys;
}

std::string DesktopFile::Text() const {
  std::string out;
  for (size_t i = 0; i < groups_.size(); ++i) {
    if (i > 0) out += groups_[i].header + "\n";
    for (const Line& line : groups_[i].lines) out += line.raw + "\n";
  }
  return out;
}

std::optional<DesktopEntry> ParseDesktopEntry(std::string_view text) {
  const DesktopFile file = DesktopFile::Parse(text);
  constexpr std::string_view kGroup = "Desktop Entry";
  bool found = false;
  for (const std::string& g : file.Groups()) found = found || g == kGroup;
  if (!found) return std::nullopt;
  auto get = [&](std::string_view key) { return file.Get(kGroup, key).value_or(""); };
  DesktopEntry entry;
  entry.type = get("Type");
  entry.name = get("Name");
  entry.exec = get("Exec");
  entry.tryExec = get("TryExec");
  entry.icon = get("Icon");
  entry.categories = get("Categories");
  entry.hidden = get("Hidden") == "true";
  return entry;
}

bool ListHas(std::string_view list, std::string_view item) {
  size_t start = 0;
  while (start <= list.size()) {
    size_t end = list.find(';', start);
    if (end == std::string_view::npos) end = list.size();
    if (Trim(list.substr(start, end - start)) == item) return true;
    start = end + 1;
  }
  return false;
}

std::optional<std::vector<std::string>> SplitExec(std::string_view exec) {
  std::vector<std::string> args;
  std::string cur;
  bool have = false, quoted = false;
  for (size_t i = 0; i < exec.size(); ++i) {
    const char c = exec[i];
    if (c == '%' && i + 1 < exec.size() && exec[i + 1] == '%') {
      cur += '%';
      have = true;
      ++i;
      continue;
    }
    if (quoted) {
      if (c == '\\' && i + 1 < exec.size() &&
          std::string_view("\"`$\\").find(exec[i + 1]) != std::string_view::npos) {
        cur += exec[++i];
      } else if (c == '"') {
        quoted = false;
      } else {
        cur += c;
      }
      continue;
    }
    if (c == ' ' || c == '\t') {
      if (have) args.push_back(std::move(cur));
      cur.clear();
      have = false;
    } else if (c == '"') {
      quoted = true;
      have = true;
    } else {
      cur += c;
      have = true;
    }
  }
  if (quoted) return std::nullopt;
  if (have) args.push_back(std::move(cur));
  return args;
}

std::string EscapeDesktopValue(std::string_view value) {
  std::string out;
  for (size_t i = 0; i < value.size(); ++i) {
    const char c = value[i];
    switch (c) {
      case ' ':
        // Inner spaces stay; the reader trims the outer ones.
        out += (i == 0 || i + 1 == value.size()) ? "\\s" : " ";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\t':
        out += "\\t";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\\':
        out += "\\\\";
        break;
      default:
        out += c;
    }
  }
  return out;
}

std::string QuoteExecArgument(std::string_view arg) {
  if (IsFieldCode(arg)) return std::string(arg);
  constexpr std::string_view kReserved = " \t\n\"'\\><~|&;$*?#()`";
  const bool quote = arg.empty() || arg.find_first_of(kReserved) != std::string_view::npos;
  std::string out = quote ? "\"" : "";
  for (const char c : arg) {
    if (quote && (c == '"' || c == '`' || c == '$' || c == '\\')) out += '\\';
    if (c == '%') out += '%';
    out += c;
  }
  if (quote) out += '"';
  return out;
}

std::string JoinExec(const std::vector<std::string>& args) {
  std::string out;
  for (const std::string& arg : args) {
    if (!out.empty()) out += ' ';
    out += QuoteExecArgument(arg);
  }
  return out;
}

}  // namespace orbo
