// The virtual port's long runs: 1,000 open/close cycles of a port through
// the real port service (orbo-portd) and its pseudo-terminal, and 1,000
// connections through the local TCP relay, both towards an echo server on
// 127.0.0.1. The descriptors, threads and resident memory of the service
// (and of this process, which runs the relay) are read from /proc after a
// first cycle and at the end: a leak per cycle would show as growth well
// beyond the allowance.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "e2e/long_run/process_counts.h"
#include "support/child_process.h"
#include "support/echo_server.h"
#include "support/temp_dir.h"
#include "vcom/port_parameters.h"
#include "vcom/port_paths.h"
#include "vcom/relay.h"
#include "vcom/sec_client.h"

namespace orbo::test {
namespace {

using namespace orbo::vcom;

constexpr int kCycles = 1000;
const std::string kPortd = std::string(ORBO_APP_DIR) + "/orbo-portd";

// Sends text on fd and reads until as many bytes came back or 10 s passed.
std::string Echo(int fd, const std::string& text) {
  if (::write(fd, text.data(), text.size()) != static_cast<ssize_t>(text.size())) return "";
  std::string in;
  char buf[256];
  while (in.size() < text.size()) {
    pollfd p{fd, POLLIN, 0};
    if (::poll(&p, 1, 10000) <= 0) break;
    const ssize_t n = ::read(fd, buf, sizeof buf);
    if (n <= 0) break;
    in.append(buf, static_cast<size_t>(n));
  }
  return in;
}

// The process serving a Unix socket (its peer credentials), or -1.
pid_t ServerPid(const std::filesystem::path& socketPath) {
  UniqueFd fd(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
  sockaddr_un addr{};
  addr.sun_family = AF_UNIX;
  std::strncpy(addr.sun_path, socketPath.c_str(), sizeof addr.sun_path - 1);
  ucred cred{};
  socklen_t len = sizeof cred;
  if (::connect(fd.get(), reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
      ::getsockopt(fd.get(), SOL_SOCKET, SO_PEERCRED, &cred, &len) != 0)
    return -1;
  return cred.pid;
}

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
// In this very process the sanitizer's quarantine keeps up to 256 MB of
// freed blocks, so the relay's memory is judged in the normal build only.
constexpr bool kJudgeOwnRss = false;
#else
constexpr bool kJudgeOwnRss = true;
#endif

// extraFds/extraThreads: what one connection still ending may hold.
void ExpectNoGrowth(const char* what, const ProcessCounts& start, const ProcessCounts& end,
                    int extraFds, int extraThreads, bool judgeRss = true) {
  std::printf("%s: fds %d -> %d, threads %d -> %d, VmRSS %ld -> %ld kB\n", what, start.fds, end.fds,
              start.threads, end.threads, start.rssKb, end.rssKb);
  EXPECT_LE(end.fds, start.fds + extraFds) << what;
  EXPECT_LE(end.threads, start.threads + extraThreads) << what;
  if (judgeRss) {
    EXPECT_LE(end.rssKb, start.rssKb + kRssAllowanceKb) << what;
  }
}

TEST(PortLongRun, OpenCloseCyclesThroughThePortServiceLeakNothing) {
  TempDir dir;
  ::setenv("XDG_RUNTIME_DIR", dir.path().c_str(), 1);
  std::filesystem::create_directories(dir / "wine/dosdevices");
  ::setenv("WINEPREFIX", (dir / "wine").c_str(), 1);
  ASSERT_EQ(RunProcess({kPortd, "install"}).exitCode, 0);
  ASSERT_EQ(RunProcess({kPortd, "enable"}).exitCode, 0);
  {
    SecClient client(ServiceSocketPath());
    ASSERT_TRUE(client.sec_ConnectService("."));
    EchoServer echo;
    int32_t id = -1;
    ASSERT_TRUE(client.sec_CreateConnection(1, &id));
    for (const auto& [key, value] :
         ConnectionParameters("COM7", "127.0.0.1", std::to_string(echo.port()), "9600,N,8,1"))
      ASSERT_TRUE(client.sec_SetParam(id, key, value)) << key;
    ASSERT_EQ(client.sec_AddConnectionService(id), 1);
    const pid_t service = ServerPid(ServiceSocketPath());
    ASSERT_GT(service, 0);

    const std::filesystem::path link = PortsDir() / "COM7";
    // A serial program's open: raw mode, one exchange now and then.
    auto cycle = [&](int i) {
      UniqueFd fd(::open(link.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
      if (!fd.valid()) return false;
      termios tio{};
      if (::tcgetattr(fd.get(), &tio) != 0) return false;
      cfmakeraw(&tio);
      if (::tcsetattr(fd.get(), TCSANOW, &tio) != 0) return false;
      return i % 100 != 0 ||
             Echo(fd.get(), "ping" + std::to_string(i)) == "ping" + std::to_string(i);
    };
    ASSERT_TRUE(cycle(0));
    const ProcessCounts start = ReadCounts(service);
    for (int i = 1; i <= kCycles; ++i) ASSERT_TRUE(cycle(i)) << "cycle " << i;
    ExpectNoGrowth("port service", start, ReadCounts(service), 1, 0);
  }
  EXPECT_EQ(RunProcess({kPortd, "disable"}).exitCode, 0);
}

TEST(RelayLongRun, ConnectionsLeakNothing) {
  EchoServer echo;
  Relay relay;
  const int local = FreeLoopbackPort();
  ASSERT_EQ(relay.Start({local, echo.port(), "127.0.0.1"}), Relay::StartResult::kListening);
  // One connection: the client sends, reads the echo and leaves; the relay
  // then takes the next one from its backlog.
  auto connection = [&](int i) {
    UniqueFd fd = ConnectLoopback(local);
    if (!fd.valid()) return false;
    const std::string text = "relay" + std::to_string(i);
    return Echo(fd.get(), text) == text;
  };
  ASSERT_TRUE(connection(0));
  const ProcessCounts start = ReadCounts(::getpid());
  for (int i = 1; i <= kCycles; ++i) ASSERT_TRUE(connection(i)) << "connection " << i;
  // The last bridge (client and remote socket) and the echo server's
  // worker for it (a thread and a socket) may still be ending at either count.
  ExpectNoGrowth("relay", start, ReadCounts(::getpid()), 3, 1, kJudgeOwnRss);
  EXPECT_TRUE(relay.listening());
  EXPECT_LE(relay.bridgeCount(), 1);
}

}  // namespace
}  // namespace orbo::test
