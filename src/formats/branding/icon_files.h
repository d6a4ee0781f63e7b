// The icon files a package brings: written whole or not at all.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

namespace orbo {

// Writes bytes to a temporary file beside path (mode 0600) and renames it
// over path, so a failed write never leaves half an icon. The number of
// bytes written; -1 when the file could not be created or bytes is empty;
// -2 when a write or the rename failed (path is then as it was).
int64_t WriteIconFile(const std::filesystem::path& path, std::string_view bytes);

// The largest image of an icon file that is stored as PNG (icons may embed
// PNG images), for desktops whose launchers want PNG. False when the icon
// holds no PNG image or its directory runs past the file.
bool ExtractPngFromIcon(std::string_view ico, std::string* png);

// The image of an icon file to draw at most max_height pixels high: the
// tallest one that fits, else the smallest. *image receives it as a file
// of its own: the PNG bytes of an image stored as PNG, else a one-image
// icon file. False when ico is no icon file or its directory runs past it.
bool PickIconImage(std::string_view ico, size_t max_height, std::string* image);

}  // namespace orbo
