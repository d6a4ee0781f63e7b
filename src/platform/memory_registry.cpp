#include "platform/memory_registry.h"

#include "base/file_util.h"
#include "base/utf.h"
#include "platform/registry_text.h"

namespace orbo {

std::vector<std::string_view> SplitRegPath(std::string_view path) {
  std::vector<std::string_view> parts;
  size_t start = 0;
  while (start <= path.size()) {
    size_t end = path.find('\\', start);
    if (end == std::string_view::npos) end = path.size();
    if (end > start) parts.push_back(path.substr(start, end - start));
    start = end + 1;
  }
  return parts;
}

MemoryRegistry::MemoryRegistry() {
  for (RegRoot root : {RegRoot::kLocalMachine, RegRoot::kCurrentUser, RegRoot::kClassesRoot}) {
    roots_[root];
  }
}

const MemoryRegistry::Key* MemoryRegistry::Find(RegRoot root, std::string_view path) const {
  auto it = roots_.find(root);
  if (it == roots_.end()) return nullptr;
  const Key* key = &it->second;
  for (std::string_view part : SplitRegPath(path)) {
    auto child = key->byLowerName.find(ToAsciiLower(part));
    if (child == key->byLowerName.end()) return nullptr;
    key = child->second;
  }
  return key;
}

MemoryRegistry::Key* MemoryRegistry::Make(RegRoot root, std::string_view path) {
  Key* key = &roots_[root];
  for (std::string_view part : SplitRegPath(path)) {
    Key*& next = key->byLowerName[ToAsciiLower(part)];
    if (!next) {
      key->children.push_back(std::make_unique<Key>());
      next = key->children.back().get();
      next->name = std::string(part);
    }
    key = next;
  }
  return key;
}

std::optional<std::vector<std::string>> MemoryRegistry::SubKeys(RegRoot root,
                                                                std::string_view path) const {
  const Key* key = Find(root, path);
  if (!key) return std::nullopt;
  std::vector<std::string> names;
  names.reserve(key->children.size());
  for (const auto& child : key->children) names.push_back(child->name);
  return names;
}

std::optional<std::vector<RegValue>> MemoryRegistry::Values(RegRoot root,
                                                            std::string_view path) const {
  const Key* key = Find(root, path);
  if (!key) return std::nullopt;
  return key->values;
}

void MemoryRegistry::AddKey(RegRoot root, std::string_view path) {
  Make(root, path);
}

void MemoryRegistry::SetValue(RegRoot root, std::string_view path, RegValue value) {
  SetValueIn(Make(root, path), std::move(value));
}

void MemoryRegistry::SetValueIn(Key* key, RegValue value) {
  auto [at, added] = key->valueByLowerName.emplace(ToAsciiLower(value.name), key->values.size());
  if (added) {
    key->values.push_back(std::move(value));
  } else {
    key->values[at->second] = std::move(value);
  }
}

void MemoryRegistry::SetText(RegRoot root, std::string_view path, std::string_view name,
                             std::string_view text) {
  SetValue(root, path, RegValue{std::string(name), std::string(text), true});
}

bool MemoryRegistry::LoadFile(const std::filesystem::path& path,
                              std::optional<RegRoot> default_root, RegTextReport* report) {
  std::string bytes;
  if (!ReadFileBytes(path, &bytes, kRegTextMaxBytes)) return false;
  ParseRegText(bytes, default_root, this, report);
  return true;
}

}  // namespace orbo
