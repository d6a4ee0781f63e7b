// The Linux desktop seen as the registry keys browser detection reads:
// every XDG desktop entry of the WebBrowser category becomes a key
//   SOFTWARE\Clients\StartMenuInternet\<entry id>\shell\open\command
// whose default value is its program's absolute path in double quotes
// (entries of the user's data folder under HKEY_CURRENT_USER, the system's
// under HKEY_LOCAL_MACHINE; a user entry hides a system entry of the same
// id), and the user's default handler of http addresses (mimeapps.list,
// x-scheme-handler/http) becomes HKEY_CLASSES_ROOT\http\shell\open\command
// with its whole command line: the quoted program, then its arguments.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "platform/memory_registry.h"

namespace orbo {

// The folders the XDG base directory rules name.
struct XdgDirs {
  std::filesystem::path dataHome;                 // $XDG_DATA_HOME, ~/.local/share
  std::vector<std::filesystem::path> dataDirs;    // $XDG_DATA_DIRS, /usr/local/share:/usr/share
  std::filesystem::path configHome;               // $XDG_CONFIG_HOME, ~/.config
  std::vector<std::filesystem::path> configDirs;  // $XDG_CONFIG_DIRS, /etc/xdg
  // Read from the environment with the defaults above.
  static XdgDirs FromEnvironment();
};

class DesktopBrowserRegistry : public Registry {
 public:
  // Reads the desktop entries and mimeapps.list files now. Programs are
  // looked up in PATH.
  explicit DesktopBrowserRegistry(const XdgDirs& dirs);

  std::optional<std::vector<std::string>> SubKeys(RegRoot root,
                                                  std::string_view path) const override;
  std::optional<std::vector<RegValue>> Values(RegRoot root, std::string_view path) const override;

 private:
  MemoryRegistry store_;
};

// The command line of an Exec value as a registry command: the program
// (skipping a leading "env NAME=VALUE ...", looked up in PATH when found
// there) in double quotes, then the other arguments, those holding a space
// or quote in double quotes. Empty when the value cannot be split.
std::string ExecToCommand(std::string_view exec, std::string* program = nullptr);

}  // namespace orbo
