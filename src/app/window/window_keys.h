// The keys the window acts on itself, whatever page is shown.
#pragma once

namespace orbo {

enum class KeyAction {
  kNone,
  kLeaveFullScreen,  // Escape
  kReload,           // F5: reload bypassing the cache
};
// What a key press (toolkit key value) asks of the window. Either way the
// key also goes on to the page.
KeyAction KeyActionFor(unsigned keyval);

// The script Escape runs in the page.
inline constexpr const char* kLeaveFullScreenScript = "{document.webkitExitFullscreen()}";

}  // namespace orbo
