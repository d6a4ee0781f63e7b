#include "link/discovery/broadcast.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>

#include <cerrno>
#include <chrono>
#include <cstring>

#include "base/logger.h"
#include "base/poll_fd.h"
#include "base/unique_fd.h"
#include "link/discovery/ipv4_text.h"

namespace orbo {
namespace {

constexpr int kSocketBufferBytes = 16777216;
constexpr size_t kDatagramBytes = 4096;
constexpr char kGetHostName[] = "GetHostName\r";

sockaddr_in MakeAddress(const Ipv4Octets& octets, uint16_t port) {
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_port = htons(port);
  std::memcpy(&addr.sin_addr, octets.data(), octets.size());
  return addr;
}

// The broadcast socket, or an invalid one when it cannot be set up.
UniqueFd OpenBroadcastSocket(uint16_t port) {
  UniqueFd fd(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0));
  if (!fd.valid()) return {};
  const int size = kSocketBufferBytes;
  const int on = 1;
  // Buffer sizes and address reuse are best effort; the kernel may cap them.
  ::setsockopt(fd.get(), SOL_SOCKET, SO_RCVBUF, &size, sizeof(size));
  ::setsockopt(fd.get(), SOL_SOCKET, SO_SNDBUF, &size, sizeof(size));
  ::setsockopt(fd.get(), SOL_SOCKET, SO_REUSEADDR, &on, sizeof(on));
  sockaddr_in any{};
  any.sin_family = AF_INET;
  any.sin_port = htons(port);
  any.sin_addr.s_addr = htonl(INADDR_ANY);
  if (::bind(fd.get(), reinterpret_cast<const sockaddr*>(&any), sizeof(any)) != 0) return {};
  if (::setsockopt(fd.get(), SOL_SOCKET, SO_BROADCAST, &on, sizeof(on)) != 0) return {};
  return fd;
}

// Datagram text for the diagnostic line: printable ASCII kept, the rest '.'.
std::string Printable(const char* data, size_t size) {
  std::string out(data, size);
  for (char& c : out) {
    if (c < 0x20 || c > 0x7e) c = '.';
  }
  return out;
}

}  // namespace

bool BroadcastGetHostName(const std::string& localAddress, DiscoveryList& list,
                          const DiscoveryOptions& options) {
  const auto local = ParseIpv4(localAddress);
  if (!local) {
    ORBO_LOG_WARN("broadcast: refusing local address \"%s\"", localAddress.c_str());
    return false;
  }
  UniqueFd fd = OpenBroadcastSocket(options.broadcastPort);
  if (!fd.valid()) {
    ORBO_LOG_DEBUG("broadcast: no socket for %s (errno %d)", localAddress.c_str(), errno);
    return false;
  }
  Ipv4Octets broadcast = *local;
  broadcast[3] = 255;
  const sockaddr_in target = MakeAddress(broadcast, options.broadcastPort);
  if (::sendto(fd.get(), kGetHostName, sizeof(kGetHostName) - 1, 0,
               reinterpret_cast<const sockaddr*>(&target), sizeof(target)) < 0) {
    ORBO_LOG_DEBUG("broadcast: send to %s failed (errno %d)", FormatIpv4(broadcast).c_str(), errno);
  }

  const sockaddr_in self = MakeAddress(*local, 0);
  const auto deadline =
      std::chrono::steady_clock::now() + std::chrono::milliseconds(options.collectLimitMs);
  char datagram[kDatagramBytes];
  for (;;) {
    if (std::chrono::steady_clock::now() >= deadline) {
      ORBO_LOG_WARN("broadcast: replies still arriving after %d ms, stopped",
                    options.collectLimitMs);
      break;
    }
    const int ready = PollFd(fd.get(), POLLIN, options.replyWindowMs);
    if (ready == 0) break;
    if (ready < 0) {
      ORBO_LOG_DEBUG("autoRecvProc.select error %d\n", errno);
      break;
    }
    sockaddr_in from{};
    socklen_t fromLen = sizeof(from);
    const ssize_t n = ::recvfrom(fd.get(), datagram, kDatagramBytes, 0,
                                 reinterpret_cast<sockaddr*>(&from), &fromLen);
    if (n < 0) {
      ORBO_LOG_DEBUG("autoRecvProc.recvfrom error\n");
      break;
    }
    // The PC hears its own broadcast; that echo is not a box.
    if (from.sin_addr.s_addr == self.sin_addr.s_addr) continue;
    char sender[INET_ADDRSTRLEN] = {};
    ::inet_ntop(AF_INET, &from.sin_addr, sender, sizeof(sender));
    list.Append(sender);
    ORBO_LOG_DEBUG("recv : %s, from:%s\r\n", Printable(datagram, static_cast<size_t>(n)).c_str(),
                   sender);
  }
  return true;
}

}  // namespace orbo
