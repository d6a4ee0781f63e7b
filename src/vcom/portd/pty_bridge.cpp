#include "vcom/portd/pty_bridge.h"

#include <fcntl.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstring>

#include "base/logger.h"
#include "vcom/byte_queue.h"
#include "vcom/portd/terminal_line.h"
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
  b->line_ = config.serial;
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
  // With EXTPROC set and the master in packet mode the kernel tells the
  // bridge of every settings change a program makes; a program that
  // clears EXTPROC is looked at on a timer instead.
  if (config.rfc2217) tio.c_lflag |= EXTPROC;
  // The C library reports the pseudo-terminal's forced 8 bits without
  // parity as a failure; what counts is that the speed is taken.
  ::tcsetattr(b->slave_.get(), TCSANOW, &tio);
  if (!StandardSpeed(config.serial.baud) &&
      !SetTerminalSpeed(b->slave_.get(), config.serial.baud)) {
    *error = "the terminal does not take " + FormatSerialSettings(config.serial) + ": " +
             std::strerror(errno);
    return nullptr;
  }
  if (config.rfc2217) {
    int one = 1;
    if (::ioctl(b->master_.get(), TIOCPKT, &one) != 0) {
      *error = std::string("packet mode: ") + std::strerror(errno);
      return nullptr;
    }
    b->packetMode_ = true;
    b->ReadLine();
  }
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

std::optional<ComPortAnswer> PtyBridge::comPortAnswer() const {
  const int a = answer_.load();
  if (a < 0) return std::nullopt;
  return static_cast<ComPortAnswer>(a);
}

std::string PtyBridge::serverSettings() const {
  std::lock_guard<std::mutex> lock(lineMutex_);
  return serverSettings_;
}

SerialSettings PtyBridge::lineSettings() const {
  std::lock_guard<std::mutex> lock(lineMutex_);
  return line_;
}

bool PtyBridge::ReadLine() {
  auto now = ReadTerminalLine(slave_.get());
  if (!now) return false;
  extproc_ = now->extproc;
  std::lock_guard<std::mutex> lock(lineMutex_);
  const int stop = now->twoStopBits ? 2 : 1;
  // Speed 0 is a program hanging up the line, not a baud rate.
  const uint32_t baud = now->baud != 0 ? now->baud : line_.baud;
  if (baud == line_.baud && stop == line_.stopBits) return false;
  line_.baud = baud;
  line_.stopBits = stop;
  return true;
}

void PtyBridge::Run() {
  ByteQueue toNet;  // written to the port, not yet sent (RFC 2217: not yet encoded)
  ByteQueue wire;   // RFC 2217: encoded bytes and protocol answers, ready to send
  ByteQueue toPty;  // received, not yet written to the port
  UniqueFd tcp;
  Rfc2217Codec codec;
  bool connecting = false;
  bool everTried = false;
  bool everUp = false;
  bool reportedDown = false;
  bool reportedDrop = false;
  bool negotiating = false;  // data from the port waits for the server's answer
  uint64_t badAtLinkUp = 0;
  bool reportedBad = false;
  Rfc2217Codec::Reported reported;
  ComPortAnswer lastAnswer = ComPortAnswer::kWaiting;
  SerialSettings sent;  // what the server was last told
  auto nextAttempt = Clock::now();
  auto negotiationEnd = Clock::now();
  auto nextLineLook = Clock::now();
  sockaddr_in addr{};
  const char* port = config_.portName.c_str();

  auto linkLost = [&](const char* why) {
    tcp.Reset();
    connecting = false;
    negotiating = false;
    wire.Clear();
    linkUp_ = false;
    nextAttempt = Clock::now() + std::chrono::milliseconds(config_.reconnectMs);
    if (!reportedDown) {
      ORBO_LOG_WARN("%s: link to %s:%d down (%s)", port, config_.host.c_str(), config_.port, why);
      reportedDown = true;
    }
  };
  // The settings the port has now, told to a server that agreed.
  // all: at the server's consent, before the data that waited for it;
  // else a change, after what the program wrote before it.
  auto sendLine = [&](bool all) {
    const SerialSettings line = lineSettings();
    if (all) {
      Rfc2217Codec::AppendSettings(line, &wire);
    } else {
      Rfc2217Codec::Escape(toNet.data(), toNet.size(), &wire);
      toNet.Clear();
      if (line.baud != sent.baud) Rfc2217Codec::AppendBaud(line.baud, &wire);
      if (line.stopBits != sent.stopBits) Rfc2217Codec::AppendStopBits(line.stopBits, &wire);
    }
    sent = line;
  };
  auto lineChanged = [&] {
    const SerialSettings line = lineSettings();
    const bool told = tcp.valid() && !connecting && codec.answer() == ComPortAnswer::kAccepted;
    ORBO_LOG_INFO("%s: the program set %u baud, %d stop bit(s)%s", port, line.baud, line.stopBits,
                  told ? "; forwarded" : "");
    if (told) sendLine(false);
  };
  auto answerChanged = [&] {
    const ComPortAnswer a = codec.answer();
    if (a == lastAnswer) return;
    lastAnswer = a;
    answer_ = static_cast<int>(a);
    if (a == ComPortAnswer::kAccepted) {
      negotiating = false;
      sendLine(true);
      ORBO_LOG_INFO("%s: RFC 2217 accepted; line settings %s sent", port,
                    FormatSerialSettings(sent).c_str());
    } else if (a == ComPortAnswer::kRefused || a == ComPortAnswer::kNoAnswer) {
      negotiating = false;
      ORBO_LOG_WARN("%s: RFC 2217 %s; data flows, line settings are not forwarded", port,
                    ComPortAnswerText(a));
    }
  };

  for (;;) {
    auto now = Clock::now();
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
    if (negotiating && now >= negotiationEnd) {
      codec.TimedOut();
      answerChanged();
    }
    // A program that cleared EXTPROC changes settings unannounced.
    if (packetMode_ && !extproc_ && now >= nextLineLook) {
      if (ReadLine()) lineChanged();
      nextLineLook = now + std::chrono::milliseconds(200);
    }
    const bool up = tcp.valid() && !connecting;

    pollfd fds[3] = {{wake_.get(), POLLIN, 0}, {master_.get(), 0, 0}, {tcp.get(), 0, 0}};
    if (!up || toNet.size() < kChunk) fds[1].events |= POLLIN;
    if (!toPty.empty()) fds[1].events |= POLLOUT;
    if (connecting) fds[2].events = POLLOUT;
    if (up) {
      if (toPty.size() < kChunk && wire.size() < kMaxPendingBytes) fds[2].events |= POLLIN;
      if (!wire.empty() || (!negotiating && !toNet.empty())) fds[2].events |= POLLOUT;
    }
    auto deadline = Clock::time_point::max();
    if (!tcp.valid() && (config_.reconnect || !toNet.empty())) deadline = nextAttempt;
    if (negotiating) deadline = std::min(deadline, negotiationEnd);
    if (packetMode_ && !extproc_) deadline = std::min(deadline, nextLineLook);
    int timeout = -1;
    if (deadline != Clock::time_point::max()) {
      auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - now).count();
      timeout = wait < 0 ? 0 : static_cast<int>(std::min<int64_t>(wait + 1, 3600000));
    }
    int ready = ::poll(fds, tcp.valid() ? 3 : 2, timeout);
    if (ready < 0 && errno != EINTR) {
      ORBO_LOG_ERROR("%s: poll failed: %s", port, std::strerror(errno));
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
        if (everUp) ++reconnects_;
        everUp = true;
        SetTcpOptions(tcp.get(), config_);
        if (reportedDown) ORBO_LOG_INFO("%s: link up again", port);
        reportedDown = reportedDrop = false;
        if (config_.rfc2217) {
          wire.Clear();
          codec.Begin(&wire);
          lastAnswer = ComPortAnswer::kWaiting;
          answer_ = static_cast<int>(lastAnswer);
          negotiating = true;
          negotiationEnd = Clock::now() + std::chrono::milliseconds(kNegotiationMs);
          badAtLinkUp = codec.badSubnegotiations();
          reportedBad = false;
          reported = {};
        }
      }
      continue;
    }

    if (fds[1].revents & POLLIN) {
      // The terminal hands out at most a few KiB per read; gathering what
      // it holds before sending makes fewer, larger segments.
      size_t kept = 0;
      bool changed = false;
      for (size_t got = 0; got < kChunk;) {
        const size_t want = kChunk - got;
        char* room = toNet.Reserve(want + 1);
        // In packet mode every read starts with a status byte. It is read
        // over the last queued byte (put back afterwards), or, into an
        // empty queue, consumed from its head: the data lands in place.
        const bool overlap = packetMode_ && !toNet.empty();
        const char saved = overlap ? room[-1] : '\0';
        char* into = overlap ? room - 1 : room;
        ssize_t n = ::read(master_.get(), into, want + (packetMode_ ? 1 : 0));
        if (n <= 0) break;
        size_t data = static_cast<size_t>(n);
        if (packetMode_) {
          const auto status = static_cast<unsigned char>(into[0]);
          if (overlap) room[-1] = saved;
          --data;
          if (status != TIOCPKT_DATA) {
            if (status & TIOCPKT_IOCTL) changed = true;
            continue;
          }
        }
        got += data;
        size_t keep = data;
        if (!linkUp_ && toNet.size() + keep > kMaxPendingBytes) {
          keep = kMaxPendingBytes > toNet.size() ? kMaxPendingBytes - toNet.size() : 0;
          dropped_ += data - keep;
          if (!reportedDrop) {
            ORBO_LOG_WARN("%s: link down and %zu bytes waiting; further bytes are dropped", port,
                          kMaxPendingBytes);
            reportedDrop = true;
          }
        }
        if (packetMode_ && !overlap) {
          toNet.Commit(keep + 1);
          toNet.Consume(1);
        } else {
          toNet.Commit(keep);
        }
        kept += keep;
      }
      if (kept > 0) {
        toNetwork_ += kept;
        tap_.Record(TrafficDirection::kToNetwork, toNet.data() + toNet.size() - kept, kept);
      }
      if ((changed || (packetMode_ && !extproc_)) && ReadLine()) lineChanged();
    }
    if (tcp.valid() && !connecting && (fds[2].revents & (POLLIN | POLLHUP | POLLERR))) {
      char* room = toPty.Reserve(kChunk);
      ssize_t n = ::recv(tcp.get(), room, kChunk, MSG_DONTWAIT);
      if (n > 0) {
        size_t data = static_cast<size_t>(n);
        if (config_.rfc2217) {
          data = codec.Receive(room, data, &wire);
          answerChanged();
          const Rfc2217Codec::Reported& r = codec.reported();
          if (r.baud != reported.baud || r.dataBits != reported.dataBits ||
              r.parity != reported.parity || r.stopBits != reported.stopBits) {
            reported = r;
            std::string text = std::to_string(r.baud) + "," +
                               (r.parity ? std::string(1, r.parity) : "") + "," +
                               std::to_string(r.dataBits) + "," +
                               (r.stopBits == 3 ? "1.5" : std::to_string(r.stopBits));
            std::lock_guard<std::mutex> lock(lineMutex_);
            serverSettings_ = std::move(text);
          }
          if (!reportedBad && codec.badSubnegotiations() > badAtLinkUp) {
            ORBO_LOG_WARN(
                "%s: the server sent a malformed or overlong subnegotiation; it and "
                "any further ones are skipped",
                port);
            reportedBad = true;
          }
        }
        toPty.Commit(data);
        fromNetwork_ += data;
        tap_.Record(TrafficDirection::kFromNetwork, room, data);
      } else if (n == 0 || (errno != EAGAIN && errno != EINTR)) {
        linkLost(n == 0 ? "closed by the remote" : std::strerror(errno));
      }
    }
    // Write at once rather than waiting for the next wake-up: one poll per
    // chunk instead of two keeps the added latency low.
    if (tcp.valid() && !connecting) {
      bool ok = true;
      if (!config_.rfc2217) {
        ok = toNet.empty() || Drain(tcp.get(), &toNet, true);
      } else {
        // Encoded a slice at a time, so that little waits encoded when the
        // link drops; data waits while the server is being asked.
        while (ok) {
          if (wire.empty() && !negotiating && !toNet.empty()) {
            const size_t take = std::min<size_t>(toNet.size(), 64 * 1024);
            Rfc2217Codec::Escape(toNet.data(), take, &wire);
            toNet.Consume(take);
          }
          if (wire.empty()) break;
          ok = Drain(tcp.get(), &wire, true);
          if (!wire.empty()) break;  // the socket is full
        }
      }
      if (!ok) linkLost(std::strerror(errno));
    }
    if (!toPty.empty()) Drain(master_.get(), &toPty, false);
  }
  linkUp_ = false;
}

}  // namespace orbo::vcom
