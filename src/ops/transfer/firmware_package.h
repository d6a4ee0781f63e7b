// The packaged form of a firmware update: a copy of a zip template from the
// "update" folder with the plain image added as the entry "image".
#pragma once

#include <filesystem>

namespace orbo {

// Writes package as a copy of template_zip with one more entry, "image",
// deflate-compressed, holding the bytes of plain. package must exist (an
// empty temporary file) and is overwritten. False when the template cannot
// be read, is not a zip archive, or a step of writing fails; package is
// then left in an unspecified state for the caller to remove.
bool BuildFirmwarePackage(const std::filesystem::path& template_zip,
                          const std::filesystem::path& plain, const std::filesystem::path& package);

}  // namespace orbo
