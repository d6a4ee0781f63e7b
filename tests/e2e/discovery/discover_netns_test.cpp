// The broadcast for real: "orbo-cli discover" runs in one network namespace
// and the box answers from another across a veth pair, both made and
// removed by the test. Skipped without root or "ip netns".
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "e2e/discovery/netns_pair.h"
#include "link/discovery/responders.h"
#include "support/box_sim.h"
#include "support/child_process.h"
#include "support/temp_dir.h"

namespace orbo {
namespace {

using test::RunProcess;
using test::TcpResponder;
using test::UdpResponder;
using ::testing::ElementsAre;

const std::string kCli = ORBO_APP_DIR "/orbo-cli";
const std::string kBoxsim = ORBO_APP_DIR "/orbo-boxsim";
constexpr uint16_t kBroadcastPort = 8767;
constexpr uint16_t kBoxPort = 8769;

class DiscoverNetnsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!net_.unavailable().empty()) GTEST_SKIP() << net_.unavailable();
  }
  // orbo-cli discover inside the PC's namespace, as the PC at host .1.
  test::ProcessResult DiscoverFromPc(const std::vector<std::string>& extra = {}) {
    std::vector<std::string> argv = {
        "ip",       "netns",           "exec",       net_.pc(),           kCli,
        "discover", "--local-address", net_.Host(1), "--reply-window-ms", "1000"};
    argv.insert(argv.end(), extra.begin(), extra.end());
    return RunProcess(argv);
  }

  test::NetnsPair net_;
};

TEST_F(DiscoverNetnsTest, SimulatedBoxAnswersTheBroadcastAndTheOwnEchoIsIgnored) {
  if (!test::ProgramExists(kBoxsim)) GTEST_SKIP() << "orbo-boxsim is not built";
  test::TempDir dir;
  test::BoxSim box(dir.path(), {.args = {"--udp-bind", "0.0.0.0", "--tcp-port", "0"},
                                .address = net_.Host(2),
                                .wrapper = {"ip", "netns", "exec", net_.box()}});
  ASSERT_TRUE(box.ready()) << "orbo-boxsim did not start";

  const auto result = DiscoverFromPc();

  EXPECT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(result.out, net_.Host(2) + ";\n");
}

TEST_F(DiscoverNetnsTest, ABoxReplyingTwiceIsListedTwice) {
  UdpResponder box("0.0.0.0", kBroadcastPort, {{"", 2}}, net_.box());
  ASSERT_TRUE(box.ok());

  const auto result = DiscoverFromPc();

  EXPECT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(result.out, net_.Host(2) + ";" + net_.Host(2) + ";\n");
  EXPECT_THAT(box.requests(), ElementsAre("GetHostName\r"));
}

TEST_F(DiscoverNetnsTest, SweepAfterTheBroadcastAddsHostOneAfterHostTen) {
  // Host .10 is a second address of the box side. Every other host of the
  // network is made unreachable on the PC side so that the sweep, with a
  // wide connect limit for a loaded machine, does not wait on silent hosts.
  ASSERT_TRUE(net_.Ip(net_.box(), "addr add " + net_.Host(10) + "/24 dev v1"));
  ASSERT_TRUE(net_.Ip(net_.pc(), "route add prohibit " + net_.Host(0) + "/25"));
  ASSERT_TRUE(net_.Ip(net_.pc(), "route add prohibit " + net_.Host(128) + "/25"));
  ASSERT_TRUE(net_.Ip(net_.pc(), "route add " + net_.Host(2) + "/32 dev v0"));
  ASSERT_TRUE(net_.Ip(net_.pc(), "route add " + net_.Host(10) + "/32 dev v0"));
  UdpResponder broadcastBox("0.0.0.0", kBroadcastPort, {{net_.Host(10), 1}}, net_.box());
  TcpResponder ten(net_.Host(10), kBoxPort, TcpResponder::Mode::kReplyAndClose, net_.box());
  TcpResponder one(net_.Host(1), kBoxPort, TcpResponder::Mode::kReplyAndClose, net_.pc());
  ASSERT_TRUE(broadcastBox.ok() && ten.ok() && one.ok());

  const auto result = DiscoverFromPc({"--sweep", "--connect-limit-ms", "5000"});

  EXPECT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(result.out, net_.Host(10) + ";" + net_.Host(1) + ";\n");
  EXPECT_EQ(ten.connections(), 1);
}

}  // namespace
}  // namespace orbo
