#include "app/window/window_keys.h"

#include <gdk/gdkkeysyms.h>

namespace orbo {

KeyAction KeyActionFor(unsigned keyval) {
  // Key values name keys, not characters: the letter t is GDK_KEY_t and
  // can never be taken for F5.
  switch (keyval) {
    case GDK_KEY_Escape:
      return KeyAction::kLeaveFullScreen;
    case GDK_KEY_F5:
      return KeyAction::kReload;
    default:
      return KeyAction::kNone;
  }
}

}  // namespace orbo
