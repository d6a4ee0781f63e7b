// orbo-cli box against the simulated box: identification, a send and fetch
// round trip, and the clear failures for bad arguments and refusals.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "boxsim_process.h"
#include "support/temp_dir.h"

extern char** environ;

namespace orbo {
namespace {

using test::BoxSim;
using test::TempDir;

struct Result {
  int exit_code = -1;
  std::string out;
  std::string err;
};

// Runs orbo-cli with args and collects its output (bounded by a generous
// timeout; a hung tool fails the test instead of blocking it).
Result RunCli(std::vector<std::string> args) {
  args.insert(args.begin(), std::string(ORBO_APP_DIR) + "/orbo-cli");
  int out[2], err[2];
  EXPECT_EQ(::pipe2(out, O_CLOEXEC), 0);
  EXPECT_EQ(::pipe2(err, O_CLOEXEC), 0);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
  posix_spawn_file_actions_adddup2(&actions, err[1], STDERR_FILENO);
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  pid_t pid = -1;
  Result r;
  int rc = ::posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  ::close(out[1]);
  ::close(err[1]);
  if (rc == 0) {
    pollfd fds[2] = {{out[0], POLLIN, 0}, {err[0], POLLIN, 0}};
    int open_fds = 2;
    while (open_fds > 0 && ::poll(fds, 2, 60000) > 0) {
      for (int i = 0; i < 2; ++i) {
        if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP))) continue;
        char buf[4096];
        ssize_t n = ::read(fds[i].fd, buf, sizeof(buf));
        if (n <= 0) {
          fds[i].fd = -1;
          --open_fds;
        } else {
          (i == 0 ? r.out : r.err).append(buf, static_cast<size_t>(n));
        }
      }
    }
    if (open_fds > 0) ::kill(pid, SIGKILL);
    int status = 0;
    ::waitpid(pid, &status, 0);
    r.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  ::close(out[0]);
  ::close(err[0]);
  return r;
}

TEST(CliBox, IdentOverTcpAndUsb) {
  TempDir dir;
  BoxSim sim(dir.path(), {}, R"({"hmiType":"PT070","serial":"SN-9","mode":3})");
  ASSERT_TRUE(sim.ready());
  for (const std::vector<std::string>& via :
       {std::vector<std::string>{"--host", sim.address()},
        std::vector<std::string>{"--usb-sim", sim.usb_path()}}) {
    std::vector<std::string> args = {"box"};
    args.insert(args.end(), via.begin(), via.end());
    args.push_back("ident");
    Result r = RunCli(args);
    EXPECT_EQ(r.exit_code, 0) << r.err;
    EXPECT_EQ(r.out, "type: PT070\nserial: SN-9\nmode: 3\n");
  }
}

TEST(CliBox, SendThenFetchRoundTrip) {
  TempDir dir;
  BoxSim sim(dir.path());
  ASSERT_TRUE(sim.ready());
  const std::string content(150000, 'r');
  auto local = dir.Write("project.kzrp", content);
  Result sent = RunCli({"--app-dir", dir.path().string(), "box", "--host", sim.address(), "send",
                        local.string(), "cloudprj.kzrp"});
  EXPECT_EQ(sent.exit_code, 0) << sent.err;
  EXPECT_EQ(sent.out, "download_success\n");  // no string tables here: the key itself
  EXPECT_EQ(dir.Read("box-store/cloudprj.kzrp"), content);

  auto back = dir / "back.kzrp";
  Result fetched = RunCli({"--app-dir", dir.path().string(), "box", "--usb-sim", sim.usb_path(),
                           "fetch", "cloudprj.kzrp", back.string()});
  EXPECT_EQ(fetched.exit_code, 0) << fetched.err;
  EXPECT_EQ(test::ReadAll(back), content);
  EXPECT_EQ(fetched.out,
            "----------------------------------------------\nupload_config_file\n"
            "upload_config_success\n");
}

TEST(CliBox, RefusedFetchLeavesLocalFile) {
  TempDir dir;
  BoxSim sim(dir.path(), {}, R"({"password":"s3cret","files":{"cloudprj.kzrp":"p"}})");
  ASSERT_TRUE(sim.ready());
  auto local = dir.Write("mine.kzrp", "mine");
  Result r = RunCli({"--app-dir", dir.path().string(), "box", "--host", sim.address(), "fetch",
                     "cloudprj.kzrp", local.string(), "--password", "guess"});
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_NE(r.out.find("upload_password_invalid"), std::string::npos);
  EXPECT_NE(r.err.find("unchanged"), std::string::npos);
  EXPECT_EQ(dir.Read("mine.kzrp"), "mine");
}

TEST(CliBox, BadArgumentsAndUnreachableBox) {
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"box", "ident"},
        std::vector<std::string>{"box", "--host", "127.0.0.1", "--usb", "ident"},
        std::vector<std::string>{"box", "--host", "127.0.0.1", "blink"},
        std::vector<std::string>{"box", "--host", "127.0.0.1", "send", "only-one"},
        std::vector<std::string>{"box", "--host", "127.0.0.1", "--port", "x", "ident"},
        std::vector<std::string>{"box", "--host", "127.0.0.1", "--password", "p", "ident"}}) {
    Result r = RunCli(args);
    EXPECT_NE(r.exit_code, 0) << args.back();
    EXPECT_NE(r.err.find("usage: orbo-cli box"), std::string::npos) << r.err;
  }
  Result r = RunCli({"box", "--host", test::UniqueLoopbackAddress(), "ident"});
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_NE(r.err.find("cannot connect"), std::string::npos);
  TempDir dir;
  Result missing = RunCli({"box", "--usb-sim", (dir / "none.sock").string(), "ident"});
  EXPECT_EQ(missing.exit_code, 1);
  EXPECT_NE(missing.err.find("no box found on USB"), std::string::npos);
}

}  // namespace
}  // namespace orbo
