#include "channel.h"

#include <poll.h>
#include <sys/socket.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "base/poll_fd.h"

namespace boxsim {
namespace {

constexpr size_t kPayload = 1024;
constexpr size_t kReport = 1025;
constexpr size_t kMaxCommand = 65536;

}  // namespace

bool Channel::FillStream(int timeout_ms) {
  if (orbo::PollFd(fd_.get(), POLLIN, timeout_ms) != 1) return false;
  char buf[65536];
  ssize_t n;
  do {
    n = ::recv(fd_.get(), buf, sizeof(buf), 0);
  } while (n < 0 && errno == EINTR);
  if (n <= 0) return false;
  pending_.append(buf, static_cast<size_t>(n));
  return true;
}

bool Channel::NextReport(std::string* payload, int timeout_ms) {
  if (orbo::PollFd(fd_.get(), POLLIN, timeout_ms) != 1) return false;
  char report[kReport + 1] = {};
  ssize_t n;
  do {
    n = ::recv(fd_.get(), report, sizeof(report), 0);
  } while (n < 0 && errno == EINTR);
  if (n <= 0) return false;
  payload->assign(report + 1, kPayload);
  return true;
}

std::optional<std::string> Channel::ReadCommand() {
  if (kind_ == Kind::kUsb) {
    for (;;) {
      std::string payload;
      if (!NextReport(&payload, -1)) return std::nullopt;
      size_t zero = payload.find('\0');
      if (zero != std::string::npos) payload.resize(zero);
      if (!payload.empty()) return payload;
    }
  }
  for (;;) {
    // A "\n" that arrived after its command's "\r" belongs to that command.
    while (!pending_.empty() && pending_.front() == '\n') pending_.erase(0, 1);
    size_t cr = pending_.find('\r');
    if (cr != std::string::npos || pending_.size() >= kMaxCommand) {
      size_t end = cr == std::string::npos ? pending_.size() : cr + 1;
      if (end < pending_.size() && pending_[end] == '\n') ++end;
      std::string command = pending_.substr(0, end);
      pending_.erase(0, end);
      return command;
    }
    if (!FillStream(-1)) return std::nullopt;
  }
}

bool Channel::ReadBlock(size_t n, std::string* out, int timeout_ms) {
  if (kind_ == Kind::kUsb) {
    std::string payload;
    if (!NextReport(&payload, timeout_ms)) return false;
    *out = payload.substr(0, std::min(n, kPayload));
    return true;
  }
  while (pending_.size() < n) {
    if (!FillStream(timeout_ms)) return false;
  }
  *out = pending_.substr(0, n);
  pending_.erase(0, n);
  return true;
}

bool Channel::ReadData(uint64_t n, const std::function<bool(const char*, size_t)>& sink,
                       int timeout_ms) {
  uint64_t left = n;
  if (kind_ == Kind::kUsb) {
    std::string payload;
    while (left > 0) {
      if (!NextReport(&payload, timeout_ms)) return false;
      size_t take = static_cast<size_t>(std::min<uint64_t>(left, kPayload));
      if (!sink(payload.data(), take)) return false;
      left -= take;
    }
    return true;
  }
  if (!pending_.empty()) {
    size_t take = static_cast<size_t>(std::min<uint64_t>(left, pending_.size()));
    if (!sink(pending_.data(), take)) return false;
    pending_.erase(0, take);
    left -= take;
  }
  std::string buf(262144, '\0');
  while (left > 0) {
    if (orbo::PollFd(fd_.get(), POLLIN, timeout_ms) != 1) return false;
    size_t want = static_cast<size_t>(std::min<uint64_t>(left, buf.size()));
    ssize_t got;
    do {
      got = ::recv(fd_.get(), buf.data(), want, 0);
    } while (got < 0 && errno == EINTR);
    if (got <= 0) return false;
    if (!sink(buf.data(), static_cast<size_t>(got))) return false;
    left -= static_cast<uint64_t>(got);
  }
  return true;
}

bool Channel::SendAll(const char* data, size_t length) {
  while (length > 0) {
    ssize_t n = ::send(fd_.get(), data, length, MSG_NOSIGNAL);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data += n;
    length -= static_cast<size_t>(n);
  }
  return true;
}

bool Channel::SendReply(std::string_view text) {
  if (kind_ == Kind::kTcp) return SendAll(text.data(), text.size());
  return SendData(text);
}

bool Channel::SendData(std::string_view data) {
  if (kind_ == Kind::kTcp) return SendAll(data.data(), data.size());
  for (size_t off = 0; off < data.size(); off += kPayload) {
    char report[kReport] = {};
    size_t take = std::min(kPayload, data.size() - off);
    std::memcpy(report + 1, data.data() + off, take);
    if (!SendAll(report, kReport)) return false;
  }
  return true;
}

void Channel::Shutdown() {
  ::shutdown(fd_.get(), SHUT_RDWR);
}

}  // namespace boxsim
