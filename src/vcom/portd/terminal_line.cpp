#include "vcom/portd/terminal_line.h"

#include <asm/ioctls.h>
#include <asm/termbits.h>

// <sys/ioctl.h> would bring <termios.h>'s definitions along.
extern "C" int ioctl(int fd, unsigned long request, ...);

namespace orbo::vcom {

std::optional<TerminalLine> ReadTerminalLine(int fd) {
  termios2 t{};
  if (ioctl(fd, TCGETS2, &t) != 0) return std::nullopt;
  TerminalLine line;
  line.baud = t.c_ospeed;
  line.twoStopBits = (t.c_cflag & CSTOPB) != 0;
  line.extproc = (t.c_lflag & EXTPROC) != 0;
  return line;
}

bool SetTerminalSpeed(int fd, uint32_t baud) {
  termios2 t{};
  if (ioctl(fd, TCGETS2, &t) != 0) return false;
  t.c_cflag &= ~static_cast<tcflag_t>(CBAUD | (CBAUD << IBSHIFT));
  t.c_cflag |= BOTHER;
  t.c_ispeed = baud;
  t.c_ospeed = baud;
  return ioctl(fd, TCSETS2, &t) == 0;
}

}  // namespace orbo::vcom
