// "orbo-cli discover" on loopback: argument checks and the sweep of the
// network of --address, against stand-in boxes and the simulated box.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "link/discovery/responders.h"
#include "support/box_sim.h"
#include "support/child_process.h"
#include "support/temp_dir.h"

namespace orbo {
namespace {

using test::LoopbackNetwork;
using test::RunProcess;
using test::TcpResponder;

const std::string kCli = ORBO_APP_DIR "/orbo-cli";
const std::string kBoxsim = ORBO_APP_DIR "/orbo-boxsim";
constexpr uint16_t kBoxPort = 8769;

test::ProcessResult Discover(std::vector<std::string> args) {
  args.insert(args.begin(), {kCli, "discover"});
  return RunProcess(args);
}

TEST(DiscoverCliTest, BadArgumentsFailWithAClearMessageAndPrintNoList) {
  const struct {
    std::vector<std::string> args;
    std::string message;
  } cases[] = {
      {{"--address", "10.0.5"}, "--address \"10.0.5\" is not an IPv4 address"},
      {{"--address", "box.local", "--sweep"}, "is not an IPv4 address"},
      {{"--local-address", "127.0.0.1", "--local-address", "300.1.1.1"},
       "--local-address \"300.1.1.1\" is not an IPv4 address"},
      {{"--address"}, "--address needs a value"},
      {{"--local-address"}, "--local-address needs a value"},
      {{"--address", "127.0.0.1", "--address", "127.0.0.2"}, "--address given more than once"},
      {{"--address", "127.0.0.1", "--local-address", "127.0.0.2"}, "drop --local-address"},
      {{"--connect-limit-ms", "0", "--address", "127.0.0.1"}, "--connect-limit-ms needs"},
      {{"--reply-window-ms", "soon", "--local-address", "127.0.0.1"}, "--reply-window-ms needs"},
      {{"--swep"}, "unexpected argument \"--swep\""},
  };
  for (const auto& c : cases) {
    const auto result = Discover(c.args);
    std::string shown;
    for (const auto& arg : c.args) shown += arg + " ";
    EXPECT_NE(result.exitCode, 0) << shown;
    EXPECT_NE(result.err.find("orbo-cli: discover: "), std::string::npos) << shown << result.err;
    EXPECT_NE(result.err.find(c.message), std::string::npos) << shown << result.err;
    EXPECT_EQ(result.out, "") << shown;
  }
}

TEST(DiscoverCliTest, AddressSweepsItsNetworkAndPrintsTheList) {
  LoopbackNetwork net;
  TcpResponder ten(net.Host(10), kBoxPort, TcpResponder::Mode::kReplyAndClose);
  TcpResponder one(net.Host(1), kBoxPort, TcpResponder::Mode::kSilentClose);
  ASSERT_TRUE(ten.ok() && one.ok());

  // Loopback refuses unused ports at once; the wide limit only guards a
  // loaded machine against missing a responder.
  const auto result = Discover({"--address", net.Host(99), "--connect-limit-ms", "5000"});

  EXPECT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(result.out, net.Host(1) + ";" + net.Host(10) + ";\n");
}

TEST(DiscoverCliTest, FindsTheSimulatedBoxBySweep) {
  if (!test::ProgramExists(kBoxsim)) GTEST_SKIP() << "orbo-boxsim is not built";
  LoopbackNetwork net;
  test::TempDir dir;
  test::BoxSim box(dir.path(), {.udp = false, .address = net.Host(23)});
  ASSERT_TRUE(box.ready()) << "orbo-boxsim did not start";

  const auto result = Discover({"--address", net.Host(1), "--connect-limit-ms", "5000"});

  EXPECT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(result.out, net.Host(23) + ";\n");
}

}  // namespace
}  // namespace orbo
