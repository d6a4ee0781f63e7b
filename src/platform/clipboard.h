// The system clipboard, as the box operations need it.
#pragma once

#include <string>

namespace orbo {

class Clipboard {
 public:
  virtual ~Clipboard() = default;
  // Replaces the clipboard's content with text (UTF-8). False when the
  // clipboard cannot be had; the content is then unchanged.
  virtual bool SetText(const std::string& text) = 0;
};

}  // namespace orbo
