// The broadcast over loopback: "a.b.c.255" of a 127.77.N.x local address is
// an ordinary local address there, so a responder bound to it stands in for
// the boxes of that network. The UDP port is a free one of this test's own.
#include "link/discovery/broadcast.h"

#include <arpa/inet.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <chrono>
#include <future>
#include <memory>

#include "link/discovery/discover.h"
#include "link/discovery/list_entries.h"
#include "link/discovery/responders.h"

namespace orbo {
namespace {

using test::LoopbackNetwork;
using test::TcpResponder;
using test::UdpResponder;
using ::testing::ElementsAre;

constexpr uint16_t kBoxPort = 8769;
constexpr int kLocalHost = 200;  // this "PC"'s own address in the network

class BroadcastTest : public ::testing::Test {
 protected:
  void SetUp() override {
    options_.broadcastPort = test::FreeUdpPort();
    ASSERT_NE(options_.broadcastPort, 0);
    // Generous windows: a loaded machine may answer late.
    options_.replyWindowMs = 1000;
    options_.connectLimitMs = 5000;
    options_.exchangeTimeoutMs = 300;
  }
  std::string Local() const { return net_.Host(kLocalHost); }
  std::string BroadcastAddress() const { return net_.Host(255); }

  LoopbackNetwork net_;
  DiscoveryOptions options_;
};

TEST_F(BroadcastTest, ListsEveryReplyButNotTheOwnEcho) {
  UdpResponder boxes(BroadcastAddress(), options_.broadcastPort,
                     {{net_.Host(2), 2}, {Local(), 1}, {net_.Host(3), 1}});
  ASSERT_TRUE(boxes.ok());
  DiscoveryList list;

  EXPECT_TRUE(BroadcastGetHostName(Local(), list, options_));

  EXPECT_EQ(list.Text(), net_.Host(2) + ";" + net_.Host(2) + ";" + net_.Host(3) + ";");
  EXPECT_THAT(boxes.requests(), ElementsAre("GetHostName\r"));
}

TEST_F(BroadcastTest, SweepFollowsOnlyWhenAskedAndAddsHostOneAfterHostTen) {
  UdpResponder box(BroadcastAddress(), options_.broadcastPort, {{net_.Host(10), 1}});
  ASSERT_TRUE(box.ok());
  TcpResponder one(net_.Host(1), kBoxPort, TcpResponder::Mode::kReplyAndClose);
  TcpResponder ten(net_.Host(10), kBoxPort, TcpResponder::Mode::kReplyAndClose);
  ASSERT_TRUE(one.ok() && ten.ok());
  FixedAddressSource locals({Local()});

  std::string list;
  EXPECT_TRUE(Discover("", &list, 0, locals, options_));
  EXPECT_EQ(list, net_.Host(10) + ";");
  EXPECT_EQ(one.connections() + ten.connections(), 0);

  EXPECT_TRUE(Discover("", &list, 1, locals, options_));
  EXPECT_EQ(list, net_.Host(10) + ";" + net_.Host(1) + ";");
}

TEST_F(BroadcastTest, UnusableLocalAddressesAreSkippedAndTheSweepStillRuns) {
  // A socket without address reuse on the port makes the broadcast's bind fail.
  UniqueFd blocker(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0));
  sockaddr_in any{};
  any.sin_family = AF_INET;
  any.sin_port = htons(options_.broadcastPort);
  ASSERT_EQ(::bind(blocker.get(), reinterpret_cast<const sockaddr*>(&any), sizeof(any)), 0);
  UdpResponder box(BroadcastAddress(), options_.broadcastPort, {{net_.Host(9), 1}});
  TcpResponder five(net_.Host(5), kBoxPort, TcpResponder::Mode::kReplyAndClose);
  ASSERT_TRUE(five.ok());

  DiscoveryList direct;
  EXPECT_FALSE(BroadcastGetHostName(Local(), direct, options_));
  EXPECT_FALSE(BroadcastGetHostName("not-an-address", direct, options_));
  EXPECT_EQ(direct.Text(), "");

  FixedAddressSource locals({"not-an-address", Local()});
  std::string list;
  EXPECT_TRUE(Discover("", &list, 1, locals, options_));
  EXPECT_EQ(list, net_.Host(5) + ";");
}

TEST_F(BroadcastTest, AHostThatKeepsSendingCannotHoldTheDiscovery) {
  auto flood = std::make_unique<UdpResponder>(BroadcastAddress(), options_.broadcastPort,
                                              std::vector<UdpResponder::Reply>{{net_.Host(4), 1}});
  ASSERT_TRUE(flood->ok());
  flood->FloodAfterFirstRequest(5);
  options_.collectLimitMs = 300;

  DiscoveryList list;
  auto done =
      std::async(std::launch::async, [&] { return BroadcastGetHostName(Local(), list, options_); });
  // Without the overall limit the 1000 ms reply window would never close.
  const auto status = done.wait_for(std::chrono::seconds(60));
  flood.reset();  // lets a stuck discovery end either way
  EXPECT_EQ(status, std::future_status::ready);
  EXPECT_TRUE(done.get());
  EXPECT_FALSE(list.Text().empty());
}

}  // namespace
}  // namespace orbo
