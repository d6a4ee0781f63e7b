#include "app/window/skin_caption.h"

#include <pango/pangocairo.h>

#include <algorithm>

namespace orbo {
namespace {

constexpr int kIconX = 10;
constexpr int kIconBand = 50;  // the icon and the title are centred in 50 pixels
constexpr int kTitleGap = 15;
constexpr int kTitlePixels = 24;  // a 32-pixel character cell

const struct {
  int id;
  const char* image;
} kSystemButtons[] = {
    {kCaptionClose, "dialog/dlg_close_btn.bmp"},
    {kCaptionMaximize, "dialog/dlg_maxmize_button.bmp"},
    {kCaptionMinimize, "dialog/dlg_minimize_button.bmp"},
};

}  // namespace

SkinCaption::SkinCaption(GtkWindow* window, SkinImages* skins, std::function<void(int)> onCommand)
    : window_(window), skins_(skins), onCommand_(std::move(onCommand)) {
  area_ = gtk_drawing_area_new();
  gtk_widget_set_size_request(area_, -1, kCaptionHeight);
  gtk_widget_add_events(area_, GDK_POINTER_MOTION_MASK | GDK_LEAVE_NOTIFY_MASK |
                                   GDK_BUTTON_PRESS_MASK | GDK_BUTTON_RELEASE_MASK);
  gtk_widget_set_has_tooltip(area_, TRUE);
  g_signal_connect(area_, "draw", G_CALLBACK(OnDraw), this);
  g_signal_connect(area_, "size-allocate", G_CALLBACK(OnSizeAllocate), this);
  g_signal_connect(area_, "motion-notify-event", G_CALLBACK(OnMotion), this);
  g_signal_connect(area_, "leave-notify-event", G_CALLBACK(OnLeave), this);
  g_signal_connect(area_, "button-press-event", G_CALLBACK(OnPress), this);
  g_signal_connect(area_, "button-release-event", G_CALLBACK(OnRelease), this);
  g_signal_connect(area_, "query-tooltip", G_CALLBACK(OnQueryTooltip), this);
  g_signal_connect(window_, "window-state-event", G_CALLBACK(OnWindowState), this);
  for (const auto& b : kSystemButtons) {
    images_[b.id] = b.image;
    buttons_.Add(b.id, "");
  }
  gtk_window_set_titlebar(window_, area_);
}

SkinCaption::~SkinCaption() {
  // The window (and the drawing area in it) may outlive the caption object.
  g_signal_handlers_disconnect_by_data(window_, this);
  g_signal_handlers_disconnect_by_data(area_, this);
  if (icon_ != nullptr) g_object_unref(icon_);
}

void SkinCaption::SetSystemTips(std::string minimize, std::string maximize, std::string restore,
                                std::string close) {
  buttons_.SetTip(kCaptionMinimize, std::move(minimize));
  buttons_.SetTip(kCaptionClose, std::move(close));
  maximizeTip_ = std::move(maximize);
  restoreTip_ = std::move(restore);
  buttons_.SetTip(kCaptionMaximize, maximized_ ? restoreTip_ : maximizeTip_);
}

void SkinCaption::AddButton(int id, const std::string& image, std::string tip) {
  images_[id] = image;
  buttons_.Add(id, std::move(tip));
  buttons_.Layout(gtk_widget_get_allocated_width(area_));
  gtk_widget_queue_draw(area_);
}

void SkinCaption::SetIcon(GdkPixbuf* icon) {
  if (icon_ != nullptr) g_object_unref(icon_);
  icon_ = icon;
  gtk_widget_queue_draw(area_);
}

void SkinCaption::SetTitle(const std::string& title) {
  title_ = title;
  gtk_window_set_title(window_, title.c_str());
  gtk_widget_queue_draw(area_);
}

bool SkinCaption::Click(int id) {
  const CaptionRect r = buttons_.Rect(id);
  if (r.width() == 0) return false;
  const int x = r.left + r.width() / 2, y = r.top + r.height() / 2;
  buttons_.Move(x, y);
  if (buttons_.Press(x, y) != id) return false;
  gtk_widget_queue_draw(area_);
  const int clicked = buttons_.Release(x, y);
  buttons_.Leave();
  if (clicked == kCaptionNone) return false;
  Activate(clicked);
  return true;
}

void SkinCaption::Activate(int id) {
  switch (id) {
    case kCaptionMinimize:
      gtk_window_iconify(window_);
      break;
    case kCaptionMaximize:
      ToggleMaximized();
      break;
    case kCaptionClose:
      gtk_window_close(window_);  // the window's own closing rules decide
      break;
    default:
      if (onCommand_) onCommand_(id);
      break;
  }
}

void SkinCaption::ToggleMaximized() {
  if (maximized_) {
    gtk_window_unmaximize(window_);
  } else {
    gtk_window_maximize(window_);
  }
}

void SkinCaption::DrawBackground(cairo_t* cr, int width) {
  GdkPixbuf* bg = skins_->Get("dialog/DialogBkg.png");
  if (bg == nullptr) return;  // a missing image leaves its area unpainted
  const double rows = std::min(kCaptionHeight, gdk_pixbuf_get_height(bg));
  PaintThreeSlices(cr, bg, 0, rows, {0, 0, static_cast<double>(width), kCaptionHeight});
}

void SkinCaption::DrawButton(cairo_t* cr, int id) {
  auto it = images_.find(id);
  GdkPixbuf* strip = it == images_.end() ? nullptr : skins_->Get(it->second);
  if (strip == nullptr) return;
  const CaptionRect r = buttons_.Rect(id);
  const double third = gdk_pixbuf_get_width(strip) / 3.0;
  const int state = static_cast<int>(buttons_.Look(id));
  PaintImagePart(cr, strip,
                 {third * state, 0, third, static_cast<double>(gdk_pixbuf_get_height(strip))},
                 {static_cast<double>(r.left), static_cast<double>(r.top),
                  static_cast<double>(r.width()), static_cast<double>(r.height())});
}

gboolean SkinCaption::OnDraw(GtkWidget* widget, cairo_t* cr, gpointer self) {
  auto* c = static_cast<SkinCaption*>(self);
  const int width = gtk_widget_get_allocated_width(widget);
  c->DrawBackground(cr, width);
  int textX = kIconX;
  if (c->icon_ != nullptr) {
    const int iw = gdk_pixbuf_get_width(c->icon_), ih = gdk_pixbuf_get_height(c->icon_);
    gdk_cairo_set_source_pixbuf(cr, c->icon_, kIconX, (kIconBand - ih) / 2);
    cairo_paint(cr);
    textX += iw + kTitleGap;
  }
  PangoLayout* layout = pango_cairo_create_layout(cr);
  PangoFontDescription* font = pango_font_description_from_string("Arial");
  pango_font_description_set_absolute_size(font, kTitlePixels * PANGO_SCALE);
  pango_layout_set_font_description(layout, font);
  pango_font_description_free(font);
  pango_layout_set_text(layout, c->title_.c_str(), -1);
  pango_layout_set_ellipsize(layout, PANGO_ELLIPSIZE_END);
  // The title stops short of the leftmost caption button.
  int right = width;
  for (const auto& [id, rect] : c->buttons_.Rects()) right = std::min(right, rect.left);
  pango_layout_set_width(layout, std::max(0, right - 10 - textX) * PANGO_SCALE);
  int tw = 0, th = 0;
  pango_layout_get_pixel_size(layout, &tw, &th);
  cairo_set_source_rgb(cr, 1, 1, 1);
  cairo_move_to(cr, textX, (kIconBand - th) / 2.0);
  pango_cairo_show_layout(cr, layout);
  g_object_unref(layout);
  for (const auto& [id, rect] : c->buttons_.Rects()) c->DrawButton(cr, id);
  return TRUE;
}

void SkinCaption::OnSizeAllocate(GtkWidget*, GdkRectangle* allocation, gpointer self) {
  static_cast<SkinCaption*>(self)->buttons_.Layout(allocation->width);
}

gboolean SkinCaption::OnMotion(GtkWidget* widget, GdkEventMotion* event, gpointer self) {
  auto* c = static_cast<SkinCaption*>(self);
  if (c->buttons_.Move(static_cast<int>(event->x), static_cast<int>(event->y))) {
    gtk_widget_trigger_tooltip_query(widget);
    gtk_widget_queue_draw(widget);
  }
  return FALSE;
}

gboolean SkinCaption::OnLeave(GtkWidget* widget, GdkEventCrossing*, gpointer self) {
  if (static_cast<SkinCaption*>(self)->buttons_.Leave()) gtk_widget_queue_draw(widget);
  return FALSE;
}

gboolean SkinCaption::OnPress(GtkWidget* widget, GdkEventButton* event, gpointer self) {
  auto* c = static_cast<SkinCaption*>(self);
  if (event->button != GDK_BUTTON_PRIMARY) return FALSE;
  const int x = static_cast<int>(event->x), y = static_cast<int>(event->y);
  const int id = c->buttons_.Press(x, y);
  if (id != kCaptionNone) {
    gtk_widget_queue_draw(widget);
    return TRUE;  // a double click on a button only presses it again
  }
  if (event->type == GDK_2BUTTON_PRESS) {
    c->ToggleMaximized();
    return TRUE;
  }
  if (event->type != GDK_BUTTON_PRESS) return TRUE;
  GdkPixbuf* icon = c->icon_;
  const CaptionRect iconArea =
      IconArea(icon ? gdk_pixbuf_get_width(icon) : 16, icon ? gdk_pixbuf_get_height(icon) : 16);
  GdkWindow* gdk = gtk_widget_get_window(GTK_WIDGET(c->window_));
  if (iconArea.Contains(x, y) && gdk != nullptr) {
    gdk_window_show_window_menu(gdk, reinterpret_cast<GdkEvent*>(event));
    return TRUE;
  }
  gtk_window_begin_move_drag(c->window_, static_cast<gint>(event->button),
                             static_cast<gint>(event->x_root), static_cast<gint>(event->y_root),
                             event->time);
  return TRUE;
}

gboolean SkinCaption::OnRelease(GtkWidget* widget, GdkEventButton* event, gpointer self) {
  auto* c = static_cast<SkinCaption*>(self);
  if (event->button != GDK_BUTTON_PRIMARY) return FALSE;
  const int id = c->buttons_.Release(static_cast<int>(event->x), static_cast<int>(event->y));
  gtk_widget_queue_draw(widget);
  if (id != kCaptionNone) c->Activate(id);
  return TRUE;
}

gboolean SkinCaption::OnQueryTooltip(GtkWidget*, gint x, gint y, gboolean, GtkTooltip* tip,
                                     gpointer self) {
  auto* c = static_cast<SkinCaption*>(self);
  const int id = c->buttons_.HitTest(x, y);
  if (id == kCaptionNone || c->buttons_.Tip(id).empty()) return FALSE;
  gtk_tooltip_set_text(tip, c->buttons_.Tip(id).c_str());
  const CaptionRect r = c->buttons_.Rect(id);
  GdkRectangle area{r.left, r.top, r.width(), r.height()};
  gtk_tooltip_set_tip_area(tip, &area);
  return TRUE;
}

gboolean SkinCaption::OnWindowState(GtkWidget*, GdkEventWindowState* event, gpointer self) {
  auto* c = static_cast<SkinCaption*>(self);
  c->maximized_ = (event->new_window_state & GDK_WINDOW_STATE_MAXIMIZED) != 0;
  c->buttons_.SetTip(kCaptionMaximize, c->maximized_ ? c->restoreTip_ : c->maximizeTip_);
  gtk_widget_queue_draw(c->area_);
  return FALSE;
}

}  // namespace orbo
