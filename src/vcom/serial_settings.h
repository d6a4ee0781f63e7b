// "port.settings" on a pseudo-terminal: "BAUD,PARITY,DATA,STOP" (for
// example "9600,N,8,1") becomes the terminal's speed, parity, character
// size and stop bits, so programs that look at them see what was asked.
// Any baud rate from 1 up is kept: one the terminal has no constant for is
// set as a number (SetTerminalSpeed) and forwarded as it is.
#pragma once

#include <termios.h>

#include <cstdint>
#include <optional>
#include <string>

namespace orbo::vcom {

inline constexpr uint32_t kMaxBaud = 4294967295u;  // what RFC 2217 can carry

struct SerialSettings {
  uint32_t baud = 9600;
  char parity = 'N';  // N, E, O, M or S (mark and space are shown as none)
  int dataBits = 8;   // 5 to 8
  int stopBits = 1;   // 1 or 2
};

// nullopt when the text is not four comma-separated fields, the baud is 0
// or above kMaxBaud, or another field is out of range. The parity letter
// may be given in either case.
std::optional<SerialSettings> ParseSerialSettings(const std::string& text);
// "9600,N,8,1".
std::string FormatSerialSettings(const SerialSettings& settings);

// The terminal's constant for baud; nullopt when it has none.
std::optional<speed_t> StandardSpeed(uint32_t baud);

// Raw mode (no echo, no line editing, no translation) with settings. A
// baud without a constant leaves the speed as it was; the caller sets it
// with SetTerminalSpeed after tcsetattr.
void ApplySerialSettings(const SerialSettings& settings, termios* tio);

}  // namespace orbo::vcom
