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

// The value escapes of the entry format: \s \n \t \r \\ (others kept).
std::string DecodeValue(std::string_view v) {
  std::string out;
  for (size_t i = 0; i < v.size(); ++i) {
    if (v[i] != '\\' || i + 1 >= v.size()) {
      out += v[i];
      continue;
    }
    char e = v[++i];
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

}  // namespace

std::optional<DesktopEntry> ParseDesktopEntry(std::string_view text) {
  DesktopEntry entry;
  bool in_group = false, found = false;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find('\n', pos);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = Trim(text.substr(pos, end - pos));
    pos = end + 1;
    if (line.empty() || line.front() == '#') continue;
    if (line.front() == '[') {
      in_group = line == "[Desktop Entry]";
      found = found || in_group;
      continue;
    }
    if (!in_group) continue;
    size_t eq = line.find('=');
    if (eq == std::string_view::npos) continue;
    std::string_view key = Trim(line.substr(0, eq));
    std::string value = DecodeValue(Trim(line.substr(eq + 1)));
    if (key == "Type")
      entry.type = value;
    else if (key == "Name")
      entry.name = value;
    else if (key == "Exec")
      entry.exec = value;
    else if (key == "Categories")
      entry.categories = value;
    else if (key == "Hidden")
      entry.hidden = value == "true";
  }
  if (!found) return std::nullopt;
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
    char c = exec[i];
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

}  // namespace orbo
