// Display names of web browsers, from an executable path or from the
// command of the http handler. Each table is searched in its order, letter
// case counting; the first text found anywhere gives the name. After the
// Windows program names come the Linux program names of the same browsers,
// which must be the whole last name of the path (or of the command's
// program) so that "/usr/bin/opera" counts and "/home/operator" does not.
#pragma once

#include <string>
#include <string_view>

namespace orbo {

// From an executable path. True when a name was found.
bool BrowserNameFromPath(std::string_view path, std::string* name);

// From the lowercased http handler command (the whole command line). True
// when a name was found.
bool BrowserNameFromCommand(std::string_view command, std::string* name);

}  // namespace orbo
