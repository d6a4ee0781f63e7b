#include "platform/gtk/file_dialog_rules.h"

#include <string>
#include <system_error>

namespace orbo {
namespace {

bool HasExtension(const std::filesystem::path& path) {
  const std::string name = path.filename().string();
  return name.find('.', 1) != std::string::npos;
}

bool Exists(const std::filesystem::path& path) {
  std::error_code ec;
  return std::filesystem::exists(path, ec);
}

}  // namespace

std::optional<std::filesystem::path> ResolveChosenFile(const std::filesystem::path& chosen,
                                                       const FileDialogOptions& options,
                                                       bool save) {
  if (chosen.empty() || chosen.filename().empty()) return std::nullopt;
  std::filesystem::path result = chosen;
  if (!options.default_ext.empty() && !HasExtension(chosen) && (save || !Exists(chosen))) {
    std::string ext = options.default_ext;
    if (ext.front() != '.') ext.insert(ext.begin(), '.');
    result += ext;
  }
  if (!save && options.must_exist && !Exists(result)) return std::nullopt;
  return result;
}

}  // namespace orbo
