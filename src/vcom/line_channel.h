// One JSON text per line over a stream socket: the framing between the
// connection client and the port service.
#pragma once

#include <string>

namespace orbo::vcom {

// The longest line either side accepts; a peer sending more is cut off.
inline constexpr size_t kMaxLineBytes = 256 * 1024;

// Writes all of text and a line feed (a blocking or non-blocking socket; a
// full socket is waited for up to timeout_ms in total). False on failure.
bool WriteLine(int fd, const std::string& text, int timeout_ms);

// Reads lines from fd, keeping bytes after a line for the next call.
class LineReader {
 public:
  explicit LineReader(int fd) : fd_(fd) {}
  // 1: *line holds the next line (without its line feed). 0: the peer
  // closed or the time ran out. -1: a read failed or the line grew longer
  // than kMaxLineBytes.
  int ReadLine(std::string* line, int timeout_ms);
  // Takes what the socket holds now without waiting (for event loops).
  // False when the peer closed, a read failed or a line grew too long.
  bool Fill();
  // Takes one complete buffered line; false when there is none.
  bool NextLine(std::string* line);

 private:
  int fd_;
  std::string buffer_;
};

}  // namespace orbo::vcom
