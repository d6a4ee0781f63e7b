#include "vcom/line_channel.h"

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>

namespace orbo::vcom {
namespace {

using Clock = std::chrono::steady_clock;

int RemainingMs(Clock::time_point deadline) {
  auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
  return left.count() < 0 ? 0 : static_cast<int>(left.count());
}

}  // namespace

bool WriteLine(int fd, const std::string& text, int timeout_ms) {
  std::string data = text + "\n";
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
  size_t done = 0;
  while (done < data.size()) {
    ssize_t n = ::send(fd, data.data() + done, data.size() - done, MSG_NOSIGNAL);
    if (n > 0) {
      done += static_cast<size_t>(n);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
      pollfd p{fd, POLLOUT, 0};
      int left = RemainingMs(deadline);
      if (left == 0 || ::poll(&p, 1, left) <= 0) return false;
      continue;
    }
    return false;
  }
  return true;
}

bool LineReader::Fill() {
  char chunk[16384];
  for (;;) {
    ssize_t n = ::recv(fd_, chunk, sizeof chunk, MSG_DONTWAIT);
    if (n > 0) {
      buffer_.append(chunk, static_cast<size_t>(n));
      if (buffer_.size() > kMaxLineBytes && buffer_.find('\n') == std::string::npos) return false;
      continue;
    }
    if (n == 0) return false;
    if (errno == EINTR) continue;
    return errno == EAGAIN || errno == EWOULDBLOCK;
  }
}

bool LineReader::NextLine(std::string* line) {
  size_t end = buffer_.find('\n');
  if (end == std::string::npos) return false;
  line->assign(buffer_, 0, end);
  buffer_.erase(0, end + 1);
  return true;
}

int LineReader::ReadLine(std::string* line, int timeout_ms) {
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
  for (;;) {
    if (NextLine(line)) return 1;
    pollfd p{fd_, POLLIN, 0};
    int left = RemainingMs(deadline);
    if (left == 0) return 0;
    int r = ::poll(&p, 1, left);
    if (r < 0 && errno == EINTR) continue;
    if (r < 0) return -1;
    if (r == 0) return 0;
    const size_t before = buffer_.size();
    if (!Fill()) {
      if (NextLine(line)) return 1;
      return buffer_.size() > kMaxLineBytes ? -1 : 0;
    }
    if (buffer_.size() == before && (p.revents & (POLLHUP | POLLERR))) return 0;
  }
}

}  // namespace orbo::vcom
