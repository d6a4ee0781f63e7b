// The main window's caption buttons: the command id, the name the page log
// and the control input use, the skin image and the tip's message key (the
// frame's own buttons have neither image nor tip here).
#pragma once

#include <string_view>

#include "app/frame/caption_layout.h"

namespace orbo {

struct CaptionButtonInfo {
  int id;
  const char* name;
  const char* image;
  const char* tipKey;
};

inline constexpr CaptionButtonInfo kCaptionButtons[] = {
    {kCaptionMonitor, "monitor", "monitor.png", "button_monitor"},
    {kCaptionSetup, "setup", "set.png", "button_setup"},
    {kCaptionConfig, "config", "config.png", "button_config"},
    {kCaptionAbout, "about", "about.png", "button_about"},
    {kCaptionMinimize, "minimize", nullptr, nullptr},
    {kCaptionMaximize, "maximize", nullptr, nullptr},
    {kCaptionClose, "close", nullptr, nullptr},
};

// "" for an id that is not a caption button.
inline const char* CaptionName(int id) {
  for (const auto& b : kCaptionButtons) {
    if (b.id == id) return b.name;
  }
  return "";
}

// kCaptionNone for a name that is not a caption button.
inline int CaptionIdOf(std::string_view name) {
  for (const auto& b : kCaptionButtons) {
    if (name == b.name) return b.id;
  }
  return kCaptionNone;
}

}  // namespace orbo
