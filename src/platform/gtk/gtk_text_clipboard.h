// Clipboard on the GTK CLIPBOARD selection, set on the UI thread. (Named so
// it does not collide with the toolkit's own GtkClipboard type.)
#pragma once

#include "platform/clipboard.h"
#include "platform/gtk/gtk_ui_thread.h"

namespace orbo {

class GtkTextClipboard : public Clipboard {
 public:
  explicit GtkTextClipboard(GtkUiThread* ui) : ui_(ui) {}
  // Callable from any thread; waits until the text is set. False when there
  // is no display or the UI thread has shut down.
  bool SetText(const std::string& text) override;

 private:
  GtkUiThread* ui_;
};

}  // namespace orbo
