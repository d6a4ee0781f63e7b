#include "link/discovery/sweep.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>

#include <cerrno>
#include <cstring>
#include <system_error>
#include <thread>
#include <vector>

#include "base/logger.h"
#include "base/poll_fd.h"
#include "base/unique_fd.h"

namespace orbo {
namespace {

constexpr int kHostsPerThread = 70;
constexpr int kLastHost = 255;
constexpr size_t kReplyBufferSize = 128;
constexpr char kGetHostName[] = "GetHostName\r";

sockaddr_in MakeAddress(const Ipv4Octets& network, int host, uint16_t port) {
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_port = htons(port);
  const uint8_t bytes[4] = {network[0], network[1], network[2], static_cast<uint8_t>(host)};
  static_assert(sizeof(addr.sin_addr) == sizeof(bytes));
  std::memcpy(&addr.sin_addr, bytes, sizeof(bytes));
  return addr;
}

// Starts a non-blocking connect and waits up to limitMs for it. Returns the
// connected socket, or an invalid one when the host refused or stayed silent.
UniqueFd ConnectWithin(const sockaddr_in& addr, int limitMs) {
  UniqueFd fd(::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
  if (!fd.valid()) return {};
  if (::connect(fd.get(), reinterpret_cast<const sockaddr*>(&addr), sizeof(addr)) == 0) return fd;
  if (errno != EINPROGRESS) return {};
  if (PollFd(fd.get(), POLLOUT, limitMs) != 1) return {};
  int error = 0;
  socklen_t len = sizeof(error);
  if (::getsockopt(fd.get(), SOL_SOCKET, SO_ERROR, &error, &len) != 0 || error != 0) return {};
  return fd;
}

void SetTimeouts(int fd, int timeoutMs) {
  timeval tv{};
  tv.tv_sec = timeoutMs / 1000;
  tv.tv_usec = static_cast<suseconds_t>(timeoutMs % 1000) * 1000;
  ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof(tv));
  ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &tv, sizeof(tv));
}

// Asks the connected host for its name and reads the reply until the
// buffer is full, the host closes, or a receive fails or times out. The
// reply is not examined: accepting the connection is what counts.
void ExchangeGetHostName(int fd, int timeoutMs) {
  const int flags = ::fcntl(fd, F_GETFL);
  if (flags >= 0) ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
  SetTimeouts(fd, timeoutMs);
  ::send(fd, kGetHostName, sizeof(kGetHostName) - 1, MSG_NOSIGNAL);
  char reply[kReplyBufferSize];
  size_t got = 0;
  while (got < sizeof(reply)) {
    const ssize_t n = ::recv(fd, reply + got, sizeof(reply) - got, 0);
    if (n <= 0) break;
    got += static_cast<size_t>(n);
  }
}

}  // namespace

bool Sweep(const std::string& startAddress, DiscoveryList& list, const DiscoveryOptions& options) {
  const auto start = ParseIpv4(startAddress);
  if (!start || (*start)[3] == 0) {
    ORBO_LOG_WARN("sweep: refusing start address \"%s\"", startAddress.c_str());
    return false;
  }
  const int first = (*start)[3];
  for (int host = first; host < first + kHostsPerThread && host <= kLastHost; ++host) {
    const sockaddr_in addr = MakeAddress(*start, host, options.sweepPort);
    UniqueFd fd = ConnectWithin(addr, options.connectLimitMs);
    if (!fd.valid()) continue;
    ExchangeGetHostName(fd.get(), options.exchangeTimeoutMs);
    fd.Reset();
    const std::string address = HostInNetwork(*start, host);
    if (list.AppendUnlessListed(address)) ORBO_LOG_DEBUG("sweep: found %s", address.c_str());
  }
  return true;
}

void SweepNetwork(const Ipv4Octets& network, DiscoveryList& list, const DiscoveryOptions& options) {
  std::vector<std::thread> threads;
  threads.reserve(4);
  for (int first = 1; first <= kLastHost; first += kHostsPerThread) {
    const std::string start = HostInNetwork(network, first);
    try {
      threads.emplace_back([start, &list, &options] { Sweep(start, list, options); });
    } catch (const std::system_error&) {
      // No thread to spare: sweep this range here instead of skipping it.
      Sweep(start, list, options);
    }
  }
  for (auto& thread : threads) thread.join();
}

}  // namespace orbo
