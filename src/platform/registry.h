// A read-only view of a hierarchical key/value store laid out like the
// Windows registry: three roots, keys named by "\"-separated paths (letter
// case ignored, as there), each with ordered subkeys and ordered values.
// Backends: MemoryRegistry (tests, and the store the file-based backends
// fill), a Wine prefix's registry files, and the Linux desktop's browser
// entries (platform/linux/).
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orbo {

enum class RegRoot { kLocalMachine, kCurrentUser, kClassesRoot };

// One value of a key. name is empty for the key's default value. Text
// values (string and expandable string) have text set and data holds UTF-8;
// other kinds keep their raw bytes in data.
struct RegValue {
  std::string name;
  std::string data;
  bool text = true;
};

class Registry {
 public:
  virtual ~Registry() = default;

  // Names of the subkeys of root\path in their stored order; nullopt when
  // the key does not exist (it "does not open"). An empty path is the root.
  virtual std::optional<std::vector<std::string>> SubKeys(RegRoot root,
                                                          std::string_view path) const = 0;
  // The values of root\path in their stored order; nullopt when the key
  // does not exist.
  virtual std::optional<std::vector<RegValue>> Values(RegRoot root,
                                                      std::string_view path) const = 0;

  // A path read from this registry as a path of the local file system.
  // Backends whose values hold paths of another system (a Wine prefix's
  // drive letters) map them; the default returns the text unchanged.
  virtual std::string LocalPath(std::string_view value) const { return std::string(value); }

  // True when root\path exists.
  bool HasKey(RegRoot root, std::string_view path) const;
  // The text value name (empty: the default value) of root\path; nullopt
  // when the key or value is missing or the value is not text.
  std::optional<std::string> QueryText(RegRoot root, std::string_view path,
                                       std::string_view name) const;
};

// Names the roots as the registry files and messages write them
// ("HKEY_LOCAL_MACHINE", ...).
const char* RegRootName(RegRoot root);
// Reads a root's long or short name ("HKEY_CURRENT_USER", "HKCU"; letter
// case ignored); nullopt for anything else.
std::optional<RegRoot> ParseRegRoot(std::string_view name);

}  // namespace orbo
