// orbo-cli box against the simulated box: identification, a send and fetch
// round trip, and the clear failures for bad arguments and refusals.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/box_sim.h"
#include "support/child_process.h"
#include "support/loopback_address.h"
#include "support/temp_dir.h"

namespace orbo {
namespace {

using test::BoxSim;
using test::ProcessResult;
using test::RunProcess;
using test::TempDir;

// Runs orbo-cli with args and collects its output (bounded by a generous
// timeout; a hung tool fails the test instead of blocking it).
ProcessResult RunCli(std::vector<std::string> args) {
  args.insert(args.begin(), std::string(ORBO_APP_DIR) + "/orbo-cli");
  return RunProcess(args);
}

TEST(CliBox, IdentOverTcpAndUsb) {
  TempDir dir;
  BoxSim sim(dir.path(), {.profileJson = R"({"hmiType":"OP-S100","serial":"SN-9","mode":3})"});
  ASSERT_TRUE(sim.ready());
  for (const std::vector<std::string>& via :
       {std::vector<std::string>{"--host", sim.address()},
        std::vector<std::string>{"--usb-sim", sim.usb_path()}}) {
    std::vector<std::string> args = {"box"};
    args.insert(args.end(), via.begin(), via.end());
    args.push_back("ident");
    ProcessResult r = RunCli(args);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "type: OP-S100\nserial: SN-9\nmode: 3\n");
  }
}

TEST(CliBox, SendThenFetchRoundTrip) {
  TempDir dir;
  BoxSim sim(dir.path());
  ASSERT_TRUE(sim.ready());
  const std::string content(150000, 'r');
  auto local = dir.Write("project.kzrp", content);
  ProcessResult sent = RunCli({"--app-dir", dir.path().string(), "box", "--host", sim.address(),
                               "send", local.string(), "cloudprj.kzrp"});
  EXPECT_EQ(sent.exitCode, 0) << sent.err;
  EXPECT_EQ(sent.out, "download_success\n");  // no string tables here: the key itself
  EXPECT_EQ(dir.Read("box-store/cloudprj.kzrp"), content);

  auto back = dir / "back.kzrp";
  ProcessResult fetched = RunCli({"--app-dir", dir.path().string(), "box", "--usb-sim",
                                  sim.usb_path(), "fetch", "cloudprj.kzrp", back.string()});
  EXPECT_EQ(fetched.exitCode, 0) << fetched.err;
  EXPECT_EQ(test::ReadAll(back), content);
  EXPECT_EQ(fetched.out,
            "----------------------------------------------\nupload_config_file\n"
            "upload_config_success\n");
}

TEST(CliBox, RefusedFetchLeavesLocalFile) {
  TempDir dir;
  BoxSim sim(dir.path(), {.profileJson = R"({"password":"s3cret","files":{"cloudprj.kzrp":"p"}})"});
  ASSERT_TRUE(sim.ready());
  auto local = dir.Write("mine.kzrp", "mine");
  ProcessResult r = RunCli({"--app-dir", dir.path().string(), "box", "--host", sim.address(),
                            "fetch", "cloudprj.kzrp", local.string(), "--password", "guess"});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.out.find("upload_password_invalid"), std::string::npos);
  EXPECT_NE(r.err.find("unchanged"), std::string::npos);
  EXPECT_EQ(dir.Read("mine.kzrp"), "mine");

  const size_t sent = sim.Commands().size();
  ProcessResult smuggled = RunCli({"box", "--host", sim.address(), "fetch", "cloudprj.kzrp",
                                   local.string(), "--password", "s3cret Light"});
  EXPECT_EQ(smuggled.exitCode, 1);
  EXPECT_NE(smuggled.err.find("may not hold spaces"), std::string::npos) << smuggled.err;
  EXPECT_EQ(sim.Commands().size(), sent);
}

TEST(CliBox, BadArgumentsAndUnreachableBox) {
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"box", "ident"},
        std::vector<std::string>{"box", "--host", "127.0.0.1", "--usb", "ident"},
        std::vector<std::string>{"box", "--host", "127.0.0.1", "blink"},
        std::vector<std::string>{"box", "--host", "127.0.0.1", "send", "only-one"},
        std::vector<std::string>{"box", "--host", "127.0.0.1", "--port", "x", "ident"},
        std::vector<std::string>{"box", "--host", "127.0.0.1", "--password", "p", "ident"}}) {
    ProcessResult r = RunCli(args);
    EXPECT_NE(r.exitCode, 0) << args.back();
    EXPECT_NE(r.err.find("usage: orbo-cli box"), std::string::npos) << r.err;
  }
  ProcessResult r = RunCli({"box", "--host", test::UniqueLoopbackAddress(), "ident"});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.err.find("cannot connect"), std::string::npos);
  TempDir dir;
  ProcessResult missing = RunCli({"box", "--usb-sim", (dir / "none.sock").string(), "ident"});
  EXPECT_EQ(missing.exitCode, 1);
  EXPECT_NE(missing.err.find("no box found on USB"), std::string::npos);
}

}  // namespace
}  // namespace orbo
