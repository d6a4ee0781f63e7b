// The local TCP relay on 127.0.0.1 in front of an echo server.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>

#include <gtest/gtest.h>

#include "support/echo_server.h"
#include "vcom/relay.h"

namespace orbo::test {
namespace {

using namespace orbo::vcom;

// Sends out, then reads until want bytes, the peer's end or 10 s of silence.
std::string Talk(int fd, const std::string& out, size_t want) {
  if (!out.empty()) ::send(fd, out.data(), out.size(), MSG_NOSIGNAL);
  std::string in;
  char buf[65536];
  while (in.size() < want) {
    pollfd p{fd, POLLIN, 0};
    if (::poll(&p, 1, 10000) <= 0) break;
    ssize_t n = ::recv(fd, buf, sizeof buf, 0);
    if (n <= 0) break;
    in.append(buf, static_cast<size_t>(n));
  }
  return in;
}

bool Readable(int fd, int timeoutMs) {
  pollfd p{fd, POLLIN, 0};
  return ::poll(&p, 1, timeoutMs) == 1;
}

// Both ways of moving the bytes: splice through a pipe, and the buffer
// used where splice is refused.
class RelayPaths : public ::testing::TestWithParam<Relay::Moving> {};
INSTANTIATE_TEST_SUITE_P(Relay, RelayPaths,
                         ::testing::Values(Relay::Moving::kSplice, Relay::Moving::kBuffer),
                         [](const auto& info) {
                           return info.param == Relay::Moving::kSplice ? "Splice" : "Buffer";
                         });

TEST_P(RelayPaths, OneClientAtATimeThroughToTheRemote) {
  EchoServer echo;
  Relay relay(GetParam());
  const int local = FreeLoopbackPort();
  ASSERT_EQ(relay.Start({local, echo.port(), "127.0.0.1"}), Relay::StartResult::kListening);
  ASSERT_TRUE(relay.listening());

  UniqueFd first = ConnectLoopback(local);
  ASSERT_TRUE(first.valid());
  std::string big(3 << 20, 'x');
  for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>(i * 7 + i / 65536);
  // A large payload crosses byte-exact while the writer is still sending.
  std::thread writer([&] { ::send(first.get(), big.data(), big.size(), MSG_NOSIGNAL); });
  std::string back = Talk(first.get(), "", big.size());
  writer.join();
  EXPECT_TRUE(back == big);

  // A second client waits in the backlog while the first bridge lives.
  UniqueFd second = ConnectLoopback(local);
  ASSERT_TRUE(second.valid());
  ::send(second.get(), "two", 3, MSG_NOSIGNAL);
  EXPECT_FALSE(Readable(second.get(), 300));
  EXPECT_EQ(echo.accepted(), 1);
  first.Reset();
  EXPECT_EQ(Talk(second.get(), "", 3), "two");
  EXPECT_EQ(echo.accepted(), 2);

  // Stopping during a live bridge ends it at once.
  relay.StopRelay();
  EXPECT_FALSE(relay.listening());
  EXPECT_EQ(relay.bridgeCount(), 0);
  EXPECT_EQ(Talk(second.get(), "", 1), "");
  EXPECT_FALSE(ConnectLoopback(local).valid());
}

TEST(Relay, EndpointDownUnresolvableHostAndBadPorts) {
  const int dead = FreeLoopbackPort();
  Relay relay;
  const int local = FreeLoopbackPort();
  ASSERT_EQ(relay.Start({local, dead, "127.0.0.1"}), Relay::StartResult::kListening);
  for (int i = 0; i < 2; ++i) {
    UniqueFd c = ConnectLoopback(local);
    const std::string expected =
        "[SERVER]connection to 127.0.0.1:" + std::to_string(dead) + " error\r\n";
    EXPECT_EQ(Talk(c.get(), "", expected.size() + 1), expected);
  }
  EXPECT_TRUE(relay.listening());

  // An empty host cannot be resolved: the relay ends for good.
  ASSERT_EQ(relay.Start({local, dead, ""}), Relay::StartResult::kListening);
  UniqueFd c = ConnectLoopback(local);
  EXPECT_EQ(Talk(c.get(), "", 1), "");
  relay.StopRelay();
  EXPECT_FALSE(relay.listening());

  for (RelayEndpoint bad : {RelayEndpoint{0, 80, "127.0.0.1"}, RelayEndpoint{local, 70000, "h"}}) {
    EXPECT_EQ(relay.Start(bad), Relay::StartResult::kBadPort);
    EXPECT_FALSE(relay.listening());
  }
  // A local port another program listens on.
  EchoServer other;
  EXPECT_EQ(relay.Start({other.port(), dead, "127.0.0.1"}), Relay::StartResult::kCannotListen);
  EXPECT_FALSE(relay.listening());
}

}  // namespace
}  // namespace orbo::test
