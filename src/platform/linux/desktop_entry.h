// XDG desktop entries (.desktop files): the one reader and writer of them.
// Browser detection reads the few keys it needs; branding edits launchers
// and writes the per-user menu entry. Files come from outside: a broken
// entry is simply not an application, and editing keeps every line it does
// not touch as it was.
//
// Quoting, as the entry format has it: a value escapes \s \n \t \r and a
// backslash as two (EscapeDesktopValue); an Exec value is a list of
// arguments, where an argument with reserved characters is put in double
// quotes and, inside them, ", `, $ and \ take a backslash; a literal % is
// written %% and a field code (%u, %F, ...) stands bare (QuoteExecArgument,
// JoinExec). The Exec text then gets the value escapes like any value, so a
// backslash in a program path is four in the file.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orbo {

struct DesktopEntry {
  std::string type;        // "Application", ...
  std::string name;        // Name= (not localised)
  std::string exec;        // Exec= with its value escapes decoded
  std::string tryExec;     // TryExec=
  std::string icon;        // Icon=
  std::string categories;  // "Network;WebBrowser;"
  bool hidden = false;     // Hidden=true: the entry counts as removed
};

// Reads the group "[Desktop Entry]" of a desktop file's text. nullopt when
// it has no such group.
std::optional<DesktopEntry> ParseDesktopEntry(std::string_view text);

// True when the ";"-separated list holds item.
bool ListHas(std::string_view list, std::string_view item);

// Splits an Exec value (value escapes already decoded) into arguments:
// spaces separate them, double quotes group (inside them \" \` \$ \\ stand
// for the character), %% is a literal percent sign and field codes such as
// %u stay as arguments of their own. nullopt for an unclosed quote.
std::optional<std::vector<std::string>> SplitExec(std::string_view exec);

// A value with the value escapes applied (leading and trailing spaces as
// \s, so the reader's trimming keeps them).
std::string EscapeDesktopValue(std::string_view value);
// One Exec argument: a field code (%u, %F, ...) as it is; anything else in
// double quotes when it holds a reserved character or is empty, with % as
// %%.
std::string QuoteExecArgument(std::string_view arg);
// The Exec value of an argument list (before value escaping): SplitExec
// gives the list back.
std::string JoinExec(const std::vector<std::string>& args);

// A desktop file held as its groups and lines, for editing: lines that are
// not touched are written back byte for byte.
class DesktopFile {
 public:
  DesktopFile() : groups_(1) {}  // empty: no group yet
  static DesktopFile Parse(std::string_view text);

  // The decoded value of key in the first group named group ("Desktop
  // Entry", "Desktop Action new-window"); nullopt when absent.
  std::optional<std::string> Get(std::string_view group, std::string_view key) const;
  // Sets key (value escaped on writing) in the first group of that name:
  // its first line is replaced, or the key is added at the group's end
  // (the group is added at the file's end when missing).
  void Set(std::string_view group, std::string_view key, std::string_view value);
  // Removes every line of key in that group.
  void Remove(std::string_view group, std::string_view key);
  // Group names in file order, and the keys of the first group of a name.
  std::vector<std::string> Groups() const;
  std::vector<std::string> Keys(std::string_view group) const;

  std::string Text() const;

 private:
  struct Line {
    std::string raw;  // the line as written (without its line break)
    std::string key;  // empty for comments, blank and broken lines
  };
  struct Group {
    std::string name;         // empty for the lines before the first group
    std::string header;       // its "[...]" line as written
    std::vector<Line> lines;  // the lines after the header
  };
  Group* Find(std::string_view group);
  const Group* Find(std::string_view group) const;

  std::vector<Group> groups_;  // [0]: the lines before the first group
};

}  // namespace orbo
