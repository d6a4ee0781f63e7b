#include "desktop/browser_names.h"

namespace orbo {
namespace {

struct NameRow {
  const char* text;
  const char* name;
};

constexpr NameRow kPathRows[] = {
    {"opera.exe", "Opera"},        {"iexplore.exe", "IE"},   {"MicrosoftEdge.exe", "Edge"},
    {"firefox.exe", "Firefox"},    {"safari.exe", "Safari"}, {"SogouExplorer.exe", "Sogo"},
    {"Maxthon.exe", "Maxthon"},    {"360se.exe", "360se"},   {"360chrome.exe", "360"},
    {"chrome.exe", "Chrome"},      {"UCBrowser.exe", "UC"},  {"QQBrowser.exe", "QQ"},
    {"baidubrowser.exe", "Baidu"},
};

constexpr NameRow kCommandRows[] = {
    {"iexplore.exe", "IE"},         {"IEXPLORE.EXE", "IE"},        {"firefox.exe", "Firefox"},
    {"sogouexplorer.exe", "Sogo"},  {"maxthon.exe", "Maxthon"},    {"360se.exe", "360se"},
    {"360chrome.exe", "360chrome"}, {"chrome.exe", "Chrome"},      {"ucbrowser.exe", "UC"},
    {"qqbrowser.exe", "QQ"},        {"baidubrowser.exe", "Baidu"}, {"safari.exe", "Safari"},
    {"opera.exe", "Opera"},
};

// Linux program names, matched against the whole last name of the program.
constexpr NameRow kLinuxPathRows[] = {
    {"opera", "Opera"},     {"microsoft-edge", "Edge"},  {"microsoft-edge-stable", "Edge"},
    {"msedge", "Edge"},     {"firefox", "Firefox"},      {"firefox-esr", "Firefox"},
    {"maxthon", "Maxthon"}, {"google-chrome", "Chrome"}, {"google-chrome-stable", "Chrome"},
    {"chrome", "Chrome"},   {"chromium", "Chrome"},      {"chromium-browser", "Chrome"},
};

// The command table has no Edge row, and neither has its Linux part.
constexpr NameRow kLinuxCommandRows[] = {
    {"firefox", "Firefox"},      {"firefox-esr", "Firefox"},         {"maxthon", "Maxthon"},
    {"google-chrome", "Chrome"}, {"google-chrome-stable", "Chrome"}, {"chrome", "Chrome"},
    {"chromium", "Chrome"},      {"chromium-browser", "Chrome"},     {"opera", "Opera"},
};

std::string_view LastName(std::string_view path) {
  size_t slash = path.find_last_of('/');
  return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

// The program of a command line: the text inside leading double quotes, or
// up to the first space.
std::string_view CommandProgram(std::string_view command) {
  if (!command.empty() && command.front() == '"') {
    size_t close = command.find('"', 1);
    return command.substr(1, close == std::string_view::npos ? std::string_view::npos : close - 1);
  }
  return command.substr(0, command.find(' '));
}

template <size_t N, size_t M>
bool Lookup(std::string_view text, std::string_view program, const NameRow (&rows)[N],
            const NameRow (&linux_rows)[M], std::string* name) {
  for (const NameRow& r : rows) {
    if (text.find(r.text) != std::string_view::npos) {
      *name = r.name;
      return true;
    }
  }
  std::string_view last = LastName(program);
  for (const NameRow& r : linux_rows) {
    if (last == r.text) {
      *name = r.name;
      return true;
    }
  }
  name->clear();
  return false;
}

}  // namespace

bool BrowserNameFromPath(std::string_view path, std::string* name) {
  return Lookup(path, path, kPathRows, kLinuxPathRows, name);
}

bool BrowserNameFromCommand(std::string_view command, std::string* name) {
  return Lookup(command, CommandProgram(command), kCommandRows, kLinuxCommandRows, name);
}

}  // namespace orbo
