// bench-libs: orbo_ops orbo_ops_context orbo_link orbo_discovery orbo_bridge orbo_settings
// orbo_platform orbo_base Time of the worker's link step when it identifies a box: a TCP connect
// and the three identification commands against a local orbo-boxsim, with the protocol's real 300
// ms pauses. Target: within 1.05 x the 0.9 s those pauses impose (945 ms). Also prints the floor
// the link itself sets: each command's two TCP purges wait up to their limit for stale input, which
// a box that has nothing more to say always runs into. Starts its own simulator on a loopback
// address.
//   bench_identify [--boxsim PATH] [--runs N]
// PATH defaults to ../app/orbo-boxsim beside this program.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "bridge/page.h"
#include "ops/box_ops_bundle.h"
#include "platform/local_addresses.h"
#include "platform/sleeper.h"

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

// orbo-boxsim on a loopback address of its own, stopped on destruction.
class Simulator {
 public:
  Simulator(const std::string& program, const std::string& address) {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) return;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
    std::vector<std::string> args = {program, "--address", address, "--udp-port", "0"};
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    if (::posix_spawn(&pid_, program.c_str(), &actions, nullptr, argv.data(), environ) != 0) {
      pid_ = -1;
    }
    posix_spawn_file_actions_destroy(&actions);
    ::close(fds[1]);
    out_ = fds[0];
  }
  ~Simulator() {
    if (pid_ > 0) {
      ::kill(pid_, SIGTERM);
      ::waitpid(pid_, nullptr, 0);
    }
    if (out_ >= 0) ::close(out_);
  }
  Simulator(const Simulator&) = delete;
  Simulator& operator=(const Simulator&) = delete;

  // Waits for the readiness line.
  bool Ready(int timeout_ms) {
    std::string text;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
    while (pid_ > 0 && text.find("orbo-boxsim ready") == std::string::npos) {
      const auto left =
          std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
      pollfd p{out_, POLLIN, 0};
      if (left <= 0 || ::poll(&p, 1, static_cast<int>(left)) <= 0) return false;
      char buf[256];
      const ssize_t n = ::read(out_, buf, sizeof(buf));
      if (n <= 0) return false;
      text.append(buf, static_cast<size_t>(n));
    }
    return pid_ > 0;
  }

 private:
  pid_t pid_ = -1;
  int out_ = -1;
};

}  // namespace

int main(int argc, char** argv) {
  std::string boxsim =
      (std::filesystem::absolute(argv[0]).parent_path().parent_path() / "app" / "orbo-boxsim")
          .string();
  int runs = 10;
  for (int i = 1; i + 1 < argc; i += 2) {
    if (std::strcmp(argv[i], "--boxsim") == 0) boxsim = argv[i + 1];
    if (std::strcmp(argv[i], "--runs") == 0) runs = std::max(1, std::atoi(argv[i + 1]));
  }

  // A free loopback address: the simulator cannot bind a taken one.
  std::string address;
  std::unique_ptr<Simulator> sim;
  for (int attempt = 0; attempt < 10 && !sim; ++attempt) {
    const int pid = static_cast<int>(::getpid());
    address = "127.88." + std::to_string((pid / 250) % 256) + "." +
              std::to_string(1 + (pid + attempt) % 250);
    sim = std::make_unique<Simulator>(boxsim, address);
    if (!sim->Ready(10000)) sim.reset();
  }
  if (!sim) {
    std::fprintf(stderr, "bench_identify: cannot start %s\n", boxsim.c_str());
    return 1;
  }

  orbo::PageScripts scripts(nullptr, {});
  orbo::FixedAddressSource noAddresses({});
  orbo::RealSleeper sleeper;
  orbo::BoxOpsDeps deps;
  deps.appDir = std::filesystem::temp_directory_path();
  deps.sleeper = &sleeper;
  deps.scripts = &scripts;
  deps.localAddresses = &noAddresses;
  orbo::BoxOpsBundle ops(deps);

  std::vector<double> ms;
  for (int i = 0; i < runs; ++i) {
    orbo::CommandState state;
    state.connectMode = "LocalNetwork";
    state.boxAddress = address;
    state.detectRequested = 1;
    const auto start = Clock::now();
    const bool ok = ops.linkStep().ConnectAndDetect(state);
    ms.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    if (!ok || state.detectRequested != 0) {
      std::fprintf(stderr, "bench_identify: identification failed\n");
      return 1;
    }
  }
  std::sort(ms.begin(), ms.end());
  const double median = ms[ms.size() / 2];
  const double target = 900.0 * 1.05;
  const orbo::BoxLinkOptions& link = ops.link().options();
  const double floor = 3.0 * (link.command_pause_ms + 2.0 * link.tcp.purge_ms);
  std::printf(
      "identify_runs=%d\nidentify_ms_best=%.1f\nidentify_ms_median=%.1f\n"
      "identify_ms_worst=%.1f\nidentify_ratio_to_900ms=%.3f\ntarget_ms=%.0f %s\n"
      "link_floor_ms=%.0f (3 x (%d ms pause + 2 x %d ms purge wait))\n"
      "identify_ratio_to_link_floor=%.3f\n",
      runs, ms.front(), median, ms.back(), median / 900.0, target,
      median <= target ? "met" : "MISSED", floor, link.command_pause_ms, link.tcp.purge_ms,
      median / floor);
  return 0;
}
