#include "app/frame/caption_layout.h"

namespace orbo {
namespace {

constexpr int kButtonTop = 13;
constexpr int kButtonBottom = 35;
constexpr int kIconMargin = 6;

// Left edge of each button, counted from the window's right edge; every
// button is 20 pixels wide. The rightmost 90 pixels hold the frame's own
// three buttons, the main window's four sit to their left.
int OffsetFromRight(int id) {
  switch (id) {
    case kCaptionMinimize:
      return 74;
    case kCaptionMaximize:
      return 52;
    case kCaptionClose:
      return 30;
    case kCaptionMonitor:
      return 176;
    case kCaptionSetup:
      return 154;
    case kCaptionConfig:
      return 132;
    case kCaptionAbout:
      return 110;
    default:
      return 0;
  }
}

const std::string kNoTip;

}  // namespace

CaptionRect CaptionButtonRect(int id, int width) {
  const int offset = OffsetFromRight(id);
  if (offset == 0) return {};
  return {width - offset, kButtonTop, width - offset + 20, kButtonBottom};
}

CaptionRect IconArea(int iconWidth, int iconHeight) {
  return {kIconMargin, kIconMargin, kIconMargin + iconWidth, kIconMargin + iconHeight};
}

void CaptionButtons::Add(int id, std::string tip) {
  Button& b = buttons_[id];
  b = Button{};
  b.tip = std::move(tip);
  b.rect = CaptionButtonRect(id, width_);
  if (hovered_ == id) hovered_ = kCaptionNone;
}

void CaptionButtons::Layout(int width) {
  width_ = width;
  for (auto& [id, b] : buttons_) b.rect = CaptionButtonRect(id, width);
}

void CaptionButtons::SetDisabled(int id, bool disabled) {
  auto it = buttons_.find(id);
  if (it == buttons_.end()) return;
  it->second.disabled = disabled;
  if (disabled) it->second.hovered = it->second.pressed = false;
}

void CaptionButtons::SetTip(int id, std::string tip) {
  auto it = buttons_.find(id);
  if (it != buttons_.end()) it->second.tip = std::move(tip);
}

int CaptionButtons::HitTest(int x, int y) const {
  for (const auto& [id, b] : buttons_) {
    if (b.rect.Contains(x, y)) return id;
  }
  return kCaptionNone;
}

bool CaptionButtons::Move(int x, int y) {
  const int under = HitTest(x, y);
  if (under == hovered_) return false;
  if (auto it = buttons_.find(hovered_); it != buttons_.end() && !it->second.disabled) {
    it->second.hovered = it->second.pressed = false;
  }
  hovered_ = under;
  if (auto it = buttons_.find(under); it != buttons_.end() && !it->second.disabled) {
    it->second.hovered = true;
  }
  return true;
}

bool CaptionButtons::Leave() {
  bool changed = hovered_ != kCaptionNone;
  hovered_ = kCaptionNone;
  for (auto& [id, b] : buttons_) {
    changed = changed || b.hovered || b.pressed;
    b.hovered = b.pressed = false;
  }
  return changed;
}

int CaptionButtons::Press(int x, int y) {
  const int under = HitTest(x, y);
  auto it = buttons_.find(under);
  if (it == buttons_.end() || it->second.disabled) return kCaptionNone;
  it->second.pressed = true;
  return under;
}

int CaptionButtons::Release(int x, int y) {
  int pressed = kCaptionNone;
  for (auto& [id, b] : buttons_) {
    if (b.pressed) pressed = id;
    b.pressed = false;
  }
  return pressed != kCaptionNone && HitTest(x, y) == pressed ? pressed : kCaptionNone;
}

ButtonLook CaptionButtons::Look(int id) const {
  auto it = buttons_.find(id);
  if (it == buttons_.end()) return ButtonLook::kNormal;
  if (it->second.pressed) return ButtonLook::kPressed;
  if (it->second.hovered) return ButtonLook::kHover;
  return ButtonLook::kNormal;
}

const std::string& CaptionButtons::Tip(int id) const {
  auto it = buttons_.find(id);
  return it == buttons_.end() ? kNoTip : it->second.tip;
}

CaptionRect CaptionButtons::Rect(int id) const {
  auto it = buttons_.find(id);
  return it == buttons_.end() ? CaptionRect{} : it->second.rect;
}

std::map<int, CaptionRect> CaptionButtons::Rects() const {
  std::map<int, CaptionRect> rects;
  for (const auto& [id, b] : buttons_) rects[id] = b.rect;
  return rects;
}

}  // namespace orbo
