// CSkinFrameWnd's caption on GTK: a 48-pixel drawing area set as the
// window's title bar (client-side decoration), painted with cairo from the
// skin images: background slices, the program icon, the title and the
// caption buttons in their normal, hover and pressed looks. Minimise,
// maximise/restore and close act on the window here; other buttons are
// handed to the owner as commands. Geometry and states come from
// CaptionButtons (toolkit-free).
#pragma once

#include <gtk/gtk.h>

#include <functional>
#include <map>
#include <string>

#include "app/frame/caption_layout.h"
#include "app/window/skin_images.h"

namespace orbo {

class SkinCaption {
 public:
  // window is the frame the caption belongs to; skins is borrowed.
  // onCommand receives the ids of buttons added with AddButton.
  SkinCaption(GtkWindow* window, SkinImages* skins, std::function<void(int id)> onCommand);
  ~SkinCaption();
  SkinCaption(const SkinCaption&) = delete;
  SkinCaption& operator=(const SkinCaption&) = delete;

  // The frame's own buttons' tips and the restore tip (message texts).
  void SetSystemTips(std::string minimize, std::string maximize, std::string restore,
                     std::string close);
  // A button of the derived window: image (relative to the skin
  // directory, three states side by side), command id, tip.
  void AddButton(int id, const std::string& image, std::string tip);
  // Icon drawn at the left (owned by the caption from here on; may be null).
  void SetIcon(GdkPixbuf* icon);
  void SetTitle(const std::string& title);

  // Clicks a button as the pointer would (press and release at its centre),
  // through the same hit test; false when no button has that id.
  bool Click(int id);

  GtkWidget* widget() const { return area_; }
  const CaptionButtons& buttons() const { return buttons_; }

 private:
  static gboolean OnDraw(GtkWidget*, cairo_t* cr, gpointer self);
  static void OnSizeAllocate(GtkWidget*, GdkRectangle* allocation, gpointer self);
  static gboolean OnMotion(GtkWidget*, GdkEventMotion* event, gpointer self);
  static gboolean OnLeave(GtkWidget*, GdkEventCrossing*, gpointer self);
  static gboolean OnPress(GtkWidget*, GdkEventButton* event, gpointer self);
  static gboolean OnRelease(GtkWidget*, GdkEventButton* event, gpointer self);
  static gboolean OnQueryTooltip(GtkWidget*, gint x, gint y, gboolean keyboard, GtkTooltip* tip,
                                 gpointer self);
  static gboolean OnWindowState(GtkWidget*, GdkEventWindowState* event, gpointer self);

  void Activate(int id);
  void ToggleMaximized();
  void DrawBackground(cairo_t* cr, int width);
  void DrawButton(cairo_t* cr, int id);

  GtkWindow* const window_;
  SkinImages* const skins_;
  const std::function<void(int)> onCommand_;
  GtkWidget* area_ = nullptr;  // owned by the window once set as its title bar
  CaptionButtons buttons_;
  std::map<int, std::string> images_;  // id -> image name
  GdkPixbuf* icon_ = nullptr;
  std::string title_;
  std::string maximizeTip_, restoreTip_;
  bool maximized_ = false;
};

}  // namespace orbo
