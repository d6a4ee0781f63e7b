// The main window's frame below the caption: the borders painted from the
// skin and the rounded corners of the window's shape.
#include "app/window/main_window.h"

namespace orbo {

void MainWindow::ShapeCorners(int width, int height) {
  GdkWindow* gdk = gtk_widget_get_window(window_);
  if (gdk == nullptr) return;
  if ((gdk_window_get_state(gdk) & (GDK_WINDOW_STATE_MAXIMIZED | GDK_WINDOW_STATE_FULLSCREEN)) !=
      0) {
    gtk_widget_shape_combine_region(window_, nullptr);
    return;
  }
  // A rectangle with its corners rounded off (a 5 x 5 corner ellipse):
  // two pixels of the first row and one of the second at each corner.
  cairo_rectangle_int_t whole{0, 0, width, height};
  cairo_region_t* region = cairo_region_create_rectangle(&whole);
  const cairo_rectangle_int_t cuts[] = {
      {0, 0, 2, 1},          {width - 2, 0, 2, 1},          {0, 1, 1, 1},
      {width - 1, 1, 1, 1},  {0, height - 1, 2, 1},         {width - 2, height - 1, 2, 1},
      {0, height - 2, 1, 1}, {width - 1, height - 2, 1, 1},
  };
  for (const auto& cut : cuts) cairo_region_subtract_rectangle(region, &cut);
  gtk_widget_shape_combine_region(window_, region);
  cairo_region_destroy(region);
}

gboolean MainWindow::OnFrameDraw(GtkWidget* widget, cairo_t* cr, gpointer self) {
  auto* window = static_cast<MainWindow*>(self);
  GdkPixbuf* bg = window->skins_ ? window->skins_->Get("dialog/DialogBkg.png") : nullptr;
  if (bg == nullptr || gdk_pixbuf_get_height(bg) <= kCaptionHeight || window->content_ == nullptr)
    return FALSE;
  // Below the caption, around the content (the view and the status bar):
  // the content's allocation is in the window's coordinates.
  GtkAllocation content{};
  gtk_widget_get_allocation(window->content_, &content);
  const double fw = gtk_widget_get_allocated_width(widget);
  const double fh = content.y + content.height + kBorderWidth;
  const double top = content.y - kBorderWidth;
  // Only the border: the view and the status bar keep their own colours.
  cairo_save(cr);
  cairo_set_fill_rule(cr, CAIRO_FILL_RULE_EVEN_ODD);
  cairo_rectangle(cr, 0, top, fw, fh - top);
  cairo_rectangle(cr, content.x, content.y, content.width, content.height);
  cairo_clip(cr);
  // The background's rows below the caption, so the band continues it.
  PaintThreeSlices(cr, bg, kCaptionHeight, gdk_pixbuf_get_height(bg) - kCaptionHeight,
                   {0, top, fw, fh - top});
  cairo_restore(cr);
  return FALSE;
}

void MainWindow::OnWindowSize(GtkWidget*, GdkRectangle* allocation, gpointer self) {
  static_cast<MainWindow*>(self)->ShapeCorners(allocation->width, allocation->height);
}

}  // namespace orbo
