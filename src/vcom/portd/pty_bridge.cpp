#include "vcom/portd/pty_bridge.h"

#include <fcntl.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstring>

#include "base/logger.h"
#include "vcom/byte_queue.h"
#include "vcom/tcp_connect.h"

namespace orbo::vcom {
namespace {

using Clock = std::chrono::steady_clock;

// Bytes moved per read; also the most a direction holds while its far side
// is slow (beyond that the near side is not read: flow control).
constexpr size_t kChunk = 256 * 1024;

bool OwnedByMe(const std::filesystem::path& path) {
  struct stat st {};
  return ::lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::getuid();
}

std::string ReadLinkText(const std::filesystem::path& link) {
  char target[512];
  ssize_t n = ::readlink(link.c_str(), target, sizeof target - 1);
  return n > 0 ? std::string(target, static_cast<size_t>(n)) : std::string();
}

// Points link at target, replacing what is there in one step.
bool PlaceLink(const std::string& target, const std::filesystem::path& link) {
  std::filesystem::path tmp = link;
  tmp += ".new" + std::to_string(::getpid());
  ::unlink(tmp.c_str());
  if (::symlink(target.c_str(), tmp.c_str()) != 0) return false;
  if (::rename(tmp.c_str(), link.c_str()) != 0) {
    ::unlink(tmp.c_str());
    return false;
  }
  return true;
}

void SetTcpOptions(int fd, const BridgeConfig& c) {
  int one = 1;
  if (c.noDelay) ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
  if (c.keepAlive) {
    int idle = std::max(1, c.keepAliveIdleMs / 1000);
    int interval = std::max(1, c.keepAliveIntervalMs / 1000);
    ::setsockopt(fd, SOL_SOCKET, SO_KEEPALIVE, &one, sizeof one);
    ::setsockopt(fd, IPPROTO_TCP, TCP_KEEPIDLE, &idle, sizeof idle);
    ::setsockopt(fd, IPPROTO_TCP, TCP_KEEPINTVL, &interval, sizeof interval);
  }
}

// Writes as much of q to fd as it takes now. False when fd failed.
bool Drain(int fd, ByteQueue* q, bool socket) {
  while (!q->empty()) {
    ssize_t n = socket ? ::send(fd, q->data(), q->size(), MSG_NOSIGNAL | MSG_DONTWAIT)
                       : ::write(fd, q->data(), q->size());
    if (n > 0) {
      q->Consume(static_cast<size_t>(n));
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    return n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK);
  }
  return true;
}

}  // namespace

std::optional<std::filesystem::path> FindWineDevices() {
  std::filesystem::path prefix;
  const char* env = std::getenv("WINEPREFIX");
  const char* home = std::getenv("HOME");
  if (env != nullptr && env[0] == '/') {
    prefix = env;
  } else if (home != nullptr && home[0] == '/') {
    prefix = std::filesystem::path(home) / ".wine";
  } else {
    return std::nullopt;
  }
  auto devices = prefix / "dosdevices";
  if (!OwnedByMe(prefix) || !OwnedByMe(devices)) return std::nullopt;
  return devices;
}

std::unique_ptr<PtyBridge> PtyBridge::Start(const BridgeConfig& config, std::string* error) {
  std::unique_ptr<PtyBridge> b(new PtyBridge(config));
  b->master_.Reset(::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC));
  char name[128];
  if (!b->master_.valid() || ::grantpt(b->master_.get()) != 0 ||
      ::unlockpt(b->master_.get()) != 0 || ::ptsname_r(b->master_.get(), name, sizeof name) != 0) {
    *error = std::string("cannot make a pseudo-terminal: ") + std::strerror(errno);
    return nullptr;
  }
  b->ptsPath_ = name;
  b->slave_.Reset(::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC));
  termios tio{};
  if (!b->slave_.valid() || ::tcgetattr(b->slave_.get(), &tio) != 0) {
    *error = std::string("cannot open ") + name + ": " + std::strerror(errno);
    return nullptr;
  }
  ApplySerialSettings(config.serial, &tio);
  ::tcsetattr(b->slave_.get(), TCSANOW, &tio);
  ::fcntl(b->master_.get(), F_SETFL, ::fcntl(b->master_.get(), F_GETFL) | O_NONBLOCK);
  b->wake_.Reset(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK));
  if (!b->wake_.valid()) {
    *error = std::string("eventfd: ") + std::strerror(errno);
    return nullptr;
  }
  if (!PlaceLink(b->ptsPath_, b->linkPath())) {
    *error = "cannot link " + b->linkPath().string() + ": " + std::strerror(errno);
    return nullptr;
  }
  if (config.wineDevices) {
    std::string lower = config.portName;
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    auto link = *config.wineDevices / lower;
    // Another program's device link is left alone; a stale terminal link
    // (or none) is ours to place.
    std::string old = ReadLinkText(link);
    std::error_code ec;
    bool free = !std::filesystem::exists(std::filesystem::symlink_status(link, ec)) ||
                old.rfind("/dev/pts/", 0) == 0;
    if (free && PlaceLink(b->ptsPath_, link)) {
      b->wineLink_ = link;
    } else {
      ORBO_LOG_WARN("%s is in use; the Wine link was not placed", link.c_str());
    }
  }
  try {
    b->thread_ = std::thread([raw = b.get()] { raw->Run(); });
  } catch (const std::system_error& e) {
    *error = std::string("cannot start the bridge thread: ") + e.what();
    b->RemoveLinks();
    return nullptr;
  }
  return b;
}

PtyBridge::~PtyBridge() {
  if (thread_.joinable()) {
    uint64_t one = 1;
    [[maybe_unused]] ssize_t n = ::write(wake_.get(), &one, sizeof one);
    thread_.join();
  }
  RemoveLinks();
}

void PtyBridge::RemoveLinks() {
  if (ReadLinkText(linkPath()) == ptsPath_) ::unlink(linkPath().c_str());
  if (wineLink_ && ReadLinkText(*wineLink_) == ptsPath_) ::unlink(wineLink_->c_str());
}

void PtyBridge::Run() {
  ByteQueue toNet;  // written to the port, not yet sent
  ByteQueue toPty;  // received, not yet written to the port
  UniqueFd tcp;
  bool connecting = false;
  bool everTried = false;
  bool reportedDown = false;
  bool reportedDrop = false;
  auto nextAttempt = Clock::now();
  sockaddr_in addr{};

  auto linkLost = [&](const char* why) {
    tcp.Reset();
    connecting = false;
    linkUp_ = false;
    nextAttempt = Clock::now() + std::chrono::milliseconds(config_.reconnectMs);
    if (!reportedDown) {
      ORBO_LOG_WARN("%s: link to %s:%d down (%s)", config_.portName.c_str(), config_.host.c_str(),
                    config_.port, why);
      reportedDown = true;
    }
  };

  for (;;) {
    const auto now = Clock::now();
    const bool wantLink = config_.reconnect || !everTried || !toNet.empty();
    if (!tcp.valid() && wantLink && now >= nextAttempt) {
      everTried = true;
      std::string err;
      if (!ResolveIPv4(config_.host, config_.port, &addr, &err)) {
        linkLost(err.c_str());
      } else {
        tcp = StartConnect(addr);
        connecting = tcp.valid();
        if (!connecting) linkLost(std::strerror(errno));
      }
    }
    const bool up = tcp.valid() && !connecting;

    pollfd fds[3] = {{wake_.get(), POLLIN, 0}, {master_.get(), 0, 0}, {tcp.get(), 0, 0}};
    if (!up || toNet.size() < kChunk) fds[1].events |= POLLIN;
    if (!toPty.empty()) fds[1].events |= POLLOUT;
    if (connecting) fds[2].events = POLLOUT;
    if (up) {
      if (toPty.size() < kChunk) fds[2].events |= POLLIN;
      if (!toNet.empty()) fds[2].events |= POLLOUT;
    }
    int timeout = -1;
    if (!tcp.valid() && (config_.reconnect || !toNet.empty())) {
      auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(nextAttempt - now).count();
      timeout = wait < 0 ? 0 : static_cast<int>(wait);
    }
    int ready = ::poll(fds, tcp.valid() ? 3 : 2, timeout);
    if (ready < 0 && errno != EINTR) {
      ORBO_LOG_ERROR("%s: poll failed: %s", config_.portName.c_str(), std::strerror(errno));
      break;
    }
    if (ready <= 0) continue;
    if (fds[0].revents & POLLIN) break;

    if (connecting && fds[2].revents) {
      int err = FinishConnect(tcp.get());
      if (err != 0) {
        linkLost(std::strerror(err));
      } else {
        connecting = false;
        linkUp_ = true;
        SetTcpOptions(tcp.get(), config_);
        if (reportedDown) ORBO_LOG_INFO("%s: link up again", config_.portName.c_str());
        reportedDown = reportedDrop = false;
      }
      continue;
    }

    if (fds[1].revents & POLLIN) {
      // The terminal hands out at most a few KiB per read; gathering what
      // it holds before sending makes fewer, larger segments.
      for (size_t got = 0; got < kChunk;) {
        char* room = toNet.Reserve(kChunk - got);
        ssize_t n = ::read(master_.get(), room, kChunk - got);
        if (n <= 0) break;
        got += static_cast<size_t>(n);
        size_t keep = static_cast<size_t>(n);
        if (!linkUp_ && toNet.size() + keep > kMaxPendingBytes) {
          keep = kMaxPendingBytes > toNet.size() ? kMaxPendingBytes - toNet.size() : 0;
          dropped_ += static_cast<uint64_t>(n) - keep;
          if (!reportedDrop) {
            ORBO_LOG_WARN("%s: link down and %zu bytes waiting; further bytes are dropped",
                          config_.portName.c_str(), kMaxPendingBytes);
            reportedDrop = true;
          }
        }
        toNet.Commit(keep);
      }
    }
    if (tcp.valid() && !connecting && (fds[2].revents & (POLLIN | POLLHUP | POLLERR))) {
      char* room = toPty.Reserve(kChunk);
      ssize_t n = ::recv(tcp.get(), room, kChunk, MSG_DONTWAIT);
      if (n > 0) {
        toPty.Commit(static_cast<size_t>(n));
      } else if (n == 0 || (errno != EAGAIN && errno != EINTR)) {
        linkLost(n == 0 ? "closed by the remote" : std::strerror(errno));
      }
    }
    // Write at once rather than waiting for the next wake-up: one poll per
    // chunk instead of two keeps the added latency low.
    if (tcp.valid() && !connecting && !toNet.empty() && !Drain(tcp.get(), &toNet, true)) {
      linkLost(std::strerror(errno));
    }
    if (!toPty.empty()) Drain(master_.get(), &toPty, false);
  }
  linkUp_ = false;
}

}  // namespace orbo::vcom
