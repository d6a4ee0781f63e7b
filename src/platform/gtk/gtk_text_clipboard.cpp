#include "platform/gtk/gtk_text_clipboard.h"

#include <gtk/gtk.h>

namespace orbo {

bool GtkTextClipboard::SetText(const std::string& text) {
  std::optional<bool> done = ui_->Call<bool>([text]() -> bool {
    GdkDisplay* display = gdk_display_get_default();
    if (display == nullptr) return false;
    ::GtkClipboard* clipboard = gtk_clipboard_get_for_display(display, GDK_SELECTION_CLIPBOARD);
    if (clipboard == nullptr) return false;
    gtk_clipboard_set_text(clipboard, text.data(), static_cast<gint>(text.size()));
    // Leave the text with a clipboard manager, if one runs, so it survives
    // the tool's exit.
    gtk_clipboard_store(clipboard);
    return true;
  });
  return done.value_or(false);
}

}  // namespace orbo
