// bench-libs: orbo_discovery
// Times the TCP sweep of a /24 where no host answers: each connect runs into
// the 10 ms limit. The hosts are made silent inside a private network
// namespace of this process (a veth pair whose far end holds no address,
// so SYNs to 10.202.0.x wait on ARP that never resolves); nothing leaves
// the namespace. Needs root. Target: at most 0.8 s per sweep.
#include <sched.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "link/discovery/discover.h"
#include "platform/local_addresses.h"

extern char** environ;

namespace {

constexpr char kOwnAddress[] = "10.202.0.1";
constexpr int kRuns = 5;
constexpr double kTargetSeconds = 0.8;

// Runs "ip ARGS..." in this process's namespace; true on exit code 0.
bool Ip(std::vector<std::string> args, std::string* out = nullptr) {
  args.insert(args.begin(), "ip");
  std::vector<char*> argv;
  for (auto& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);
  int pipeFds[2];
  if (pipe(pipeFds) != 0) return false;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
  posix_spawn_file_actions_addclose(&actions, pipeFds[0]);
  pid_t pid = -1;
  const int spawned = posix_spawnp(&pid, "ip", &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(pipeFds[1]);
  char buf[4096];
  for (ssize_t n; (n = read(pipeFds[0], buf, sizeof(buf))) > 0;) {
    if (out) out->append(buf, static_cast<size_t>(n));
  }
  close(pipeFds[0]);
  if (spawned != 0) return false;
  int status = 0;
  return waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// A fresh namespace with 10.202.0.1/24 on a veth whose peer has no address.
bool EnterSilentNetwork() {
  if (unshare(CLONE_NEWNET) != 0) return false;
  if (!Ip({"link", "set", "lo", "up"}) ||
      !Ip({"link", "add", "b0", "type", "veth", "peer", "name", "b1"}) ||
      !Ip({"addr", "add", std::string(kOwnAddress) + "/24", "dev", "b0"}) ||
      !Ip({"link", "set", "b1", "up"}) || !Ip({"link", "set", "b0", "up"})) {
    return false;
  }
  // The link reports carrier a moment after "up"; wait for it (bounded).
  for (int i = 0; i < 2000; ++i) {
    std::string state;
    if (Ip({"-o", "link", "show", "dev", "b0"}, &state) &&
        state.find("LOWER_UP") != std::string::npos) {
      return true;
    }
  }
  return false;
}

}  // namespace

int main() {
  if (geteuid() != 0) {
    std::fprintf(stderr, "bench_sweep: needs root for a private network namespace\n");
    return 1;
  }
  std::vector<double> seconds;
  for (int run = 0; run < kRuns; ++run) {
    // A new namespace per run, so no run sees neighbour entries of the last.
    if (!EnterSilentNetwork()) {
      std::fprintf(stderr, "bench_sweep: cannot set up the namespace (ip, veth)\n");
      return 1;
    }
    orbo::FixedAddressSource none({});
    std::string list;
    const auto start = std::chrono::steady_clock::now();
    orbo::Discover(kOwnAddress, &list, 0, none);
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
    seconds.push_back(elapsed.count());
    std::printf("sweep of 10.202.0.0/24, no responders, run %d: %.3f s, list \"%s\"\n", run + 1,
                elapsed.count(), list.c_str());
  }
  std::sort(seconds.begin(), seconds.end());
  std::printf("sweep /24 silent: median %.3f s, worst %.3f s (target <= %.1f s): %s\n",
              seconds[seconds.size() / 2], seconds.back(), kTargetSeconds,
              seconds[seconds.size() / 2] <= kTargetSeconds ? "met" : "MISSED");
  return 0;
}
