// The in-memory registry: keys and values added by code or loaded from a
// registry text file (registry_text.h). Lookups ignore ASCII letter case;
// names keep the case they were added with.
#pragma once

#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>

#include "platform/registry.h"

namespace orbo {

struct RegTextReport;

class MemoryRegistry : public Registry {
 public:
  // The three roots exist (empty) from the start.
  MemoryRegistry();
  MemoryRegistry(const MemoryRegistry&) = delete;
  MemoryRegistry& operator=(const MemoryRegistry&) = delete;

  std::optional<std::vector<std::string>> SubKeys(RegRoot root,
                                                  std::string_view path) const override;
  std::optional<std::vector<RegValue>> Values(RegRoot root, std::string_view path) const override;

  // Creates root\path with any missing parents (empty path components are
  // skipped, so "A\\B" and "A\B" are the same key).
  void AddKey(RegRoot root, std::string_view path);
  // Sets a value of root\path, creating the key; an existing value of that
  // name (letter case ignored) is replaced in place.
  void SetValue(RegRoot root, std::string_view path, RegValue value);
  void SetText(RegRoot root, std::string_view path, std::string_view name, std::string_view text);

  // A key kept open for adding many values (the file parser): created as
  // AddKey does; valid while this registry lives.
  struct Key {
    std::string name;
    std::vector<std::unique_ptr<Key>> children;         // in the order they were added
    std::unordered_map<std::string, Key*> byLowerName;  // the same children, by folded name
    std::vector<RegValue> values;
    std::unordered_map<std::string, size_t> valueByLowerName;  // index into values
  };
  Key* OpenForWriting(RegRoot root, std::string_view path) { return Make(root, path); }
  // SetValue on an open key.
  static void SetValueIn(Key* key, RegValue value);

  // Loads a registry text file into this store (see registry_text.h). A
  // file that cannot be read, or is larger than the parser's bound, gives
  // false and adds nothing; otherwise true, with broken lines counted in
  // *report (when given) and skipped.
  bool LoadFile(const std::filesystem::path& path, std::optional<RegRoot> default_root,
                RegTextReport* report = nullptr);

 private:
  const Key* Find(RegRoot root, std::string_view path) const;
  Key* Make(RegRoot root, std::string_view path);

  std::map<RegRoot, Key> roots_;
};

// Splits a key path at "\" into its non-empty components.
std::vector<std::string_view> SplitRegPath(std::string_view path);

}  // namespace orbo
