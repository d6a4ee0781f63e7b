// A terminal's line settings read and set as numbers (the kernel's
// termios2), so any baud rate can be kept on a pseudo-terminal, not only
// the ones <termios.h> has a constant for. This file stays apart from
// <termios.h>: the two sets of kernel definitions cannot be included
// together.
#pragma once

#include <cstdint>
#include <optional>

namespace orbo::vcom {

struct TerminalLine {
  uint32_t baud = 0;  // the output speed as a number
  bool twoStopBits = false;
  bool extproc = false;  // EXTPROC: the kernel reports every change in packet mode
};

// nullopt when fd is not a terminal.
std::optional<TerminalLine> ReadTerminalLine(int fd);
// Sets the speed to baud as a number (BOTHER), leaving everything else.
// False when the terminal refused it.
bool SetTerminalSpeed(int fd, uint32_t baud);

}  // namespace orbo::vcom
