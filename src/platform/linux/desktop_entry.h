// XDG desktop entries (.desktop files): the few keys browser detection
// needs, and the Exec line split into arguments by the entry format's
// quoting rules. Files come from outside: reading is bounded and a broken
// entry is simply not an application.
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
  std::string categories;  // "Network;WebBrowser;"
  bool hidden = false;     // Hidden=true: the entry counts as removed
};

// Reads the group "[Desktop Entry]" of a desktop file's text. nullopt when
// it has no such group.
std::optional<DesktopEntry> ParseDesktopEntry(std::string_view text);

// True when the ";"-separated list holds item.
bool ListHas(std::string_view list, std::string_view item);

// Splits an Exec value into arguments: spaces separate them, double quotes
// group (inside them \" \` \$ \\ stand for the character); field codes such
// as %u stay as arguments of their own. nullopt for an unclosed quote.
std::optional<std::vector<std::string>> SplitExec(std::string_view exec);

}  // namespace orbo
