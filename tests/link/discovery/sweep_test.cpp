// Sweeps against stand-in boxes listening on TCP 8769 at addresses of a
// loopback /24 reserved for this process.
#include "link/discovery/sweep.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <memory>

#include "link/discovery/discover.h"
#include "link/discovery/list_entries.h"
#include "link/discovery/responders.h"

namespace orbo {
namespace {

using test::ListEntries;
using test::LoopbackNetwork;
using test::TcpResponder;
using ::testing::Each;
using ::testing::ElementsAre;
using ::testing::UnorderedElementsAreArray;

constexpr uint16_t kBoxPort = 8769;

// Loopback refuses unused ports at once, so a wide connect limit costs
// nothing and keeps a loaded machine from missing a responder.
DiscoveryOptions LoopbackOptions() {
  DiscoveryOptions options;
  options.connectLimitMs = 5000;
  options.exchangeTimeoutMs = 300;
  return options;
}

class SweepTest : public ::testing::Test {
 protected:
  TcpResponder& Box(int host, TcpResponder::Mode mode = TcpResponder::Mode::kReplyAndClose) {
    auto responder = std::make_unique<TcpResponder>(net_.Host(host), kBoxPort, mode);
    EXPECT_TRUE(responder->ok()) << "cannot listen on " << net_.Host(host);
    auto& ref = *responder;
    boxes_[host] = std::move(responder);
    return ref;
  }
  size_t Position(const std::vector<std::string>& entries, int host) const {
    return static_cast<size_t>(std::find(entries.begin(), entries.end(), net_.Host(host)) -
                               entries.begin());
  }

  LoopbackNetwork net_;
  std::map<int, std::unique_ptr<TcpResponder>> boxes_;
};

TEST_F(SweepTest, NetworkSweepListsEveryHostThatAcceptsOnceAndNeverTriesHostZero) {
  TcpResponder& hostZero = Box(0);
  Box(1);
  Box(10, TcpResponder::Mode::kSilentClose);  // accepts, says nothing, closes
  Box(70, TcpResponder::Mode::kSilentHold);   // accepts, says nothing, stays open
  Box(71);
  Box(255);

  DiscoveryList list;
  SweepNetwork(*ParseIpv4(net_.Host(0)), list, LoopbackOptions());

  const auto entries = ListEntries(list.Text());
  EXPECT_THAT(entries, UnorderedElementsAreArray({net_.Host(1), net_.Host(10), net_.Host(70),
                                                  net_.Host(71), net_.Host(255)}));
  // Hosts 1 to 70 belong to one thread, which tries them in order.
  EXPECT_LT(Position(entries, 1), Position(entries, 10));
  EXPECT_LT(Position(entries, 10), Position(entries, 70));
  EXPECT_EQ(hostZero.connections(), 0);
  for (int host : {1, 10, 70, 71, 255}) {
    EXPECT_THAT(boxes_[host]->requests(), ElementsAre("GetHostName\r")) << "host " << host;
  }
}

TEST_F(SweepTest, OneSweepCoversSeventyHostsFromItsStartAndStopsAt255) {
  for (int host : {70, 71, 140, 141, 210, 211, 255}) Box(host);

  DiscoveryList second;
  EXPECT_TRUE(Sweep(net_.Host(71), second, LoopbackOptions()));
  EXPECT_EQ(second.Text(), net_.Host(71) + ";" + net_.Host(140) + ";");

  DiscoveryList last;
  EXPECT_TRUE(Sweep(net_.Host(211), last, LoopbackOptions()));
  EXPECT_EQ(last.Text(), net_.Host(211) + ";" + net_.Host(255) + ";");

  DiscoveryList refused;
  EXPECT_FALSE(Sweep(net_.Host(0), refused, LoopbackOptions()));
  EXPECT_FALSE(Sweep(net_.prefix(), refused, LoopbackOptions()));
  EXPECT_EQ(refused.Text(), "");
}

// Counts how often discovery asks for the local addresses.
class CountingSource : public LocalAddressSource {
 public:
  explicit CountingSource(std::vector<std::string> addresses) : addresses_(std::move(addresses)) {}
  std::vector<std::string> Ipv4Addresses() override {
    ++calls;
    return addresses_;
  }
  int calls = 0;

 private:
  std::vector<std::string> addresses_;
};

TEST_F(SweepTest, DiscoverWithABoxAddressSweepsItsNetworkWithoutBroadcasting) {
  Box(5);
  Box(200);
  CountingSource locals({net_.Host(33)});
  std::string list = "stale;";

  EXPECT_TRUE(Discover(net_.Host(77), &list, 0, locals, LoopbackOptions()));

  EXPECT_THAT(ListEntries(list), UnorderedElementsAreArray({net_.Host(5), net_.Host(200)}));
  EXPECT_EQ(locals.calls, 0);
}

TEST_F(SweepTest, DiscoverRefusesAMalformedBoxAddressAndContactsNoOne) {
  TcpResponder& one = Box(1);
  CountingSource locals({net_.Host(33)});
  for (const std::string& bad :
       {net_.prefix(), net_.prefix() + ".300", net_.Host(1) + " ", std::string("box.local")}) {
    std::string list = "stale;";
    EXPECT_FALSE(Discover(bad, &list, 1, locals, LoopbackOptions())) << bad;
    EXPECT_EQ(list, "") << bad;
  }
  EXPECT_EQ(one.connections(), 0);
  EXPECT_EQ(locals.calls, 0);
}

}  // namespace
}  // namespace orbo
