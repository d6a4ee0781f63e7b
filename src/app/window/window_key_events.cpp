// Keys on the main window's view: Escape and F5 (see KeyActionFor), and key
// presses the control input sends.
#include <algorithm>

#include "app/window/main_window.h"
#include "app/window/window_keys.h"
#include "base/logger.h"

namespace orbo {

gboolean MainWindow::OnKeyPress(GtkWidget*, GdkEventKey* event, gpointer self) {
  auto* window = static_cast<MainWindow*>(self);
  switch (KeyActionFor(event->keyval)) {
    case KeyAction::kLeaveFullScreen: {
      const char* uri = webkit_web_view_get_uri(window->view_);
      webkit_web_view_evaluate_javascript(window->view_, kLeaveFullScreenScript, -1, nullptr,
                                          uri != nullptr ? uri : "", nullptr, nullptr, nullptr);
      window->log_->Key("leave full screen");
      break;
    }
    case KeyAction::kReload:
      // The key goes on to the page. When the page leaves it unhandled the
      // engine hands the same event (same time stamp and key) back to the
      // view: that copy is not a second press and reloads nothing.
      if (window->lastReloadKey_ && window->lastReloadKey_->time == event->time &&
          window->lastReloadKey_->code == event->hardware_keycode) {
        window->lastReloadKey_.reset();
        break;
      }
      window->lastReloadKey_ = ReloadKey{event->time, event->hardware_keycode};
      webkit_web_view_reload_bypass_cache(window->view_);
      window->log_->Key("reload");
      break;
    case KeyAction::kNone:
      break;
  }
  return FALSE;  // the page gets the key too
}

void MainWindow::PressKey(const std::string& name) {
  const guint keyval = gdk_keyval_from_name(name.c_str());
  GdkWindow* target = gtk_widget_get_window(GTK_WIDGET(view_));
  if (keyval == GDK_KEY_VoidSymbol || target == nullptr) {
    ORBO_LOG_ERROR("control: cannot press key %s", name.c_str());
    return;
  }
  GdkEvent* event = gdk_event_new(GDK_KEY_PRESS);
  event->key.window = GDK_WINDOW(g_object_ref(target));
  event->key.send_event = TRUE;
  // A time stamp of its own, as a real press has: two presses in a row are
  // two presses, not one handed back by the engine.
  const guint32 now = static_cast<guint32>(g_get_monotonic_time() / 1000);
  lastPressTime_ = std::max(now, lastPressTime_ + 1);
  event->key.time = lastPressTime_;
  event->key.keyval = keyval;
  GdkSeat* seat = gdk_display_get_default_seat(gdk_window_get_display(target));
  if (seat != nullptr) gdk_event_set_device(event, gdk_seat_get_keyboard(seat));
  GdkKeymapKey* keys = nullptr;
  gint count = 0;
  if (gdk_keymap_get_entries_for_keyval(gdk_keymap_get_for_display(gdk_window_get_display(target)),
                                        keyval, &keys, &count) &&
      count > 0) {
    event->key.hardware_keycode = static_cast<guint16>(keys[0].keycode);
  }
  g_free(keys);
  gtk_widget_event(GTK_WIDGET(view_), event);
  gdk_event_free(event);
}

}  // namespace orbo
