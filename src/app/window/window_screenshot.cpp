// A PNG of the main window as it is on screen (dialogs over it included).
#include "app/web/glib_ptr.h"
#include "app/window/main_window.h"
#include "base/logger.h"

namespace orbo {

bool MainWindow::WriteScreenshot(const std::string& path) {
  GdkWindow* window = gtk_widget_get_window(window_);
  if (window == nullptr) return false;
  int x = 0, y = 0;
  gdk_window_get_origin(window, &x, &y);
  const int width = gdk_window_get_width(window);
  const int height = gdk_window_get_height(window);
  // Read from the screen, so a dialog over the window is in the picture.
  GObjectPtr<GdkPixbuf> pixbuf(
      gdk_pixbuf_get_from_window(gdk_get_default_root_window(), x, y, width, height));
  if (!pixbuf) return false;
  GError* error = nullptr;
  if (!gdk_pixbuf_save(pixbuf.get(), path.c_str(), "png", &error, nullptr)) {
    ORBO_LOG_ERROR("screenshot %s: %s", path.c_str(), error != nullptr ? error->message : "");
    if (error != nullptr) g_error_free(error);
    return false;
  }
  log_->Screenshot(path);
  return true;
}

}  // namespace orbo
