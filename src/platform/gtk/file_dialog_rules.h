// What a file dialog returns for the name the user chose, independent of
// the toolkit: the default extension and the must-exist rule.
#pragma once

#include <filesystem>
#include <optional>

#include "platform/prompts.h"

namespace orbo {

// chosen with options.default_ext appended when its file name has no extension
// (no "." after the first character). For an open dialog the extension is
// added only when the bare name does not exist. Returns nullopt when an
// open dialog's options.must_exist is set and the resulting file does not
// exist, or when chosen is empty.
std::optional<std::filesystem::path> ResolveChosenFile(const std::filesystem::path& chosen,
                                                       const FileDialogOptions& options, bool save);

}  // namespace orbo
