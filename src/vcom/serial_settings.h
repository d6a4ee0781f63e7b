// "port.settings" on a pseudo-terminal: "BAUD,PARITY,DATA,STOP" (for
// example "9600,N,8,1") becomes the terminal's speed, parity, character
// size and stop bits, so programs that look at them see what was asked.
#pragma once

#include <termios.h>

#include <optional>
#include <string>

namespace orbo::vcom {

struct SerialSettings {
  speed_t speed = B9600;
  char parity = 'N';  // N, E, O, M or S (mark and space are shown as none)
  int dataBits = 8;   // 5 to 8
  int stopBits = 1;   // 1 or 2
};

// nullopt when the text is not four comma-separated fields, the speed is
// not one the terminal knows, or a field is out of range.
std::optional<SerialSettings> ParseSerialSettings(const std::string& text);

// Raw mode (no echo, no line editing, no translation) with settings.
void ApplySerialSettings(const SerialSettings& settings, termios* tio);

}  // namespace orbo::vcom
