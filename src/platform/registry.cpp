#include "platform/registry.h"

#include "base/utf.h"

namespace orbo {

bool Registry::HasKey(RegRoot root, std::string_view path) const {
  return SubKeys(root, path).has_value();
}

std::optional<std::string> Registry::QueryText(RegRoot root, std::string_view path,
                                               std::string_view name) const {
  auto values = Values(root, path);
  if (!values) return std::nullopt;
  for (const RegValue& v : *values) {
    if (EqualsIgnoreAsciiCase(v.name, name)) {
      if (!v.text) return std::nullopt;
      return v.data;
    }
  }
  return std::nullopt;
}

const char* RegRootName(RegRoot root) {
  switch (root) {
    case RegRoot::kLocalMachine:
      return "HKEY_LOCAL_MACHINE";
    case RegRoot::kCurrentUser:
      return "HKEY_CURRENT_USER";
    case RegRoot::kClassesRoot:
      return "HKEY_CLASSES_ROOT";
  }
  return "";
}

std::optional<RegRoot> ParseRegRoot(std::string_view name) {
  struct Row {
    const char* longName;
    const char* shortName;
    RegRoot root;
  };
  static const Row kRows[] = {
      {"HKEY_LOCAL_MACHINE", "HKLM", RegRoot::kLocalMachine},
      {"HKEY_CURRENT_USER", "HKCU", RegRoot::kCurrentUser},
      {"HKEY_CLASSES_ROOT", "HKCR", RegRoot::kClassesRoot},
  };
  for (const Row& r : kRows) {
    if (EqualsIgnoreAsciiCase(name, r.longName) || EqualsIgnoreAsciiCase(name, r.shortName)) {
      return r.root;
    }
  }
  return std::nullopt;
}

}  // namespace orbo
