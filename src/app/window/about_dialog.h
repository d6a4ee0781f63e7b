// The About box (command 32772): logo, product and company labels and the
// release notes in a read-only text box, laid out as AboutContent says.
#pragma once

#include <gtk/gtk.h>

#include <filesystem>

#include "app/frame/about_content.h"

namespace orbo {

// A new modal dialog over parent (may be null); the caller runs and
// destroys it. The logo is appDir/logo.ico (a branded build with a company
// name) or the program icon appDir/orbo.png; a missing file leaves the
// logo area empty.
GtkWidget* NewAboutDialog(GtkWindow* parent, const AboutContent& content,
                          const std::filesystem::path& appDir);

}  // namespace orbo
