// The skinned caption's geometry and button states, free of any toolkit:
// where each caption button sits for a window width, which button a point
// is over, and how hovering and pressing move between the three drawn
// states. The window only feeds pointer events in and paints what this says.
#pragma once

#include <map>
#include <string>

namespace orbo {

inline constexpr int kCaptionHeight = 48;
inline constexpr int kBorderWidth = 3;
inline constexpr int kMinWindowWidth = 1024;
inline constexpr int kMinWindowHeight = 720;

// Command identifiers of the caption buttons: the frame's own three and the
// main window's four.
enum CaptionId : int {
  kCaptionNone = -1,
  kCaptionClose = 110,
  kCaptionMaximize = 111,
  kCaptionMinimize = 112,
  kCaptionAbout = 32772,
  kCaptionMonitor = 32774,
  kCaptionSetup = 32775,
  kCaptionConfig = 32776,
};

struct CaptionRect {
  int left = 0, top = 0, right = 0, bottom = 0;  // right and bottom exclusive
  bool Contains(int x, int y) const { return x >= left && x < right && y >= top && y < bottom; }
  int width() const { return right - left; }
  int height() const { return bottom - top; }
  bool operator==(const CaptionRect&) const = default;
};

// The drawn state; also the index of the third of the button's image strip.
enum class ButtonLook { kNormal = 0, kHover = 1, kPressed = 2 };

// Where a caption button sits when the window is width pixels wide:
// 20 x 22 pixels from y = 13, against the right edge. kCaptionNone for an
// unknown id gives an empty rectangle.
CaptionRect CaptionButtonRect(int id, int width);

// The area of the program icon, which acts as the system-menu area.
CaptionRect IconArea(int iconWidth, int iconHeight);

// The caption buttons of one window and their hover and pressed flags.
// Buttons are kept ordered by id, which is also the hit-test order.
class CaptionButtons {
 public:
  // Adds (or replaces) a button; its rectangle follows Layout.
  void Add(int id, std::string tip);
  // Places every button for a window width.
  void Layout(int width);
  void SetDisabled(int id, bool disabled);
  void SetTip(int id, std::string tip);

  // The button at (x, y) in window coordinates, or kCaptionNone.
  int HitTest(int x, int y) const;
  // Pointer moved: hovers the button under it (un-hovering and releasing
  // the one before). True when anything must be repainted.
  bool Move(int x, int y);
  // Pointer left the caption: nothing is hovered or pressed any more.
  bool Leave();
  // Button pressed at (x, y): the button under it, now pressed, or
  // kCaptionNone (the caption itself: drag or double-click).
  int Press(int x, int y);
  // Button released at (x, y): the id to act on when the release is over
  // the pressed button, else kCaptionNone. Clears the pressed flag.
  int Release(int x, int y);

  ButtonLook Look(int id) const;
  int hovered() const { return hovered_; }
  const std::string& Tip(int id) const;
  CaptionRect Rect(int id) const;
  // Ids in hit-test order.
  std::map<int, CaptionRect> Rects() const;

 private:
  struct Button {
    CaptionRect rect;
    std::string tip;
    bool hovered = false;
    bool pressed = false;
    bool disabled = false;
  };
  std::map<int, Button> buttons_;
  int hovered_ = kCaptionNone;
  int width_ = kMinWindowWidth;
};

}  // namespace orbo
