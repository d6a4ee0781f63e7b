#include "sim_box.h"

#include <cjson/cJSON.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <fstream>

extern char** environ;

namespace orbo::test {
namespace {

// 127.b.c.d from the pid and a counter; b stays apart from the ranges the
// other end-to-end suites pick from.
std::string NextLoopbackAddress() {
  static std::atomic<int> counter{0};
  const int n = counter++;
  const int pid = static_cast<int>(::getpid());
  const int b = 20 + pid % 90;
  const int c = (pid / 90 + n / 250) % 256;
  const int d = 1 + n % 250;
  return "127." + std::to_string(b) + "." + std::to_string(c) + "." + std::to_string(d);
}

}  // namespace

SimBox::SimBox(const std::filesystem::path& dir, std::vector<std::string> extra) : dir_(dir) {
  usbPath_ = (dir / "usb.sock").string();
  // A taken address makes the simulator exit before its readiness line.
  for (int attempt = 0; attempt < 8 && !ready_; ++attempt) {
    address_ = NextLoopbackAddress();
    ready_ = Start(extra);
  }
}

bool SimBox::Start(const std::vector<std::string>& extra) {
  int out[2];
  if (::pipe2(out, O_CLOEXEC) != 0) return false;
  std::vector<std::string> args = {std::string(ORBO_APP_DIR) + "/orbo-boxsim",
                                   "--address",
                                   address_,
                                   "--udp-port",
                                   "0",
                                   "--usb",
                                   usbPath_,
                                   "--log",
                                   (dir_ / "boxsim.log").string(),
                                   "--store",
                                   (dir_ / "box-store").string()};
  args.insert(args.end(), extra.begin(), extra.end());
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
  if (::posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ) != 0) pid_ = -1;
  posix_spawn_file_actions_destroy(&actions);
  ::close(out[1]);

  std::string text;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (pid_ > 0 && text.find("orbo-boxsim ready") == std::string::npos) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                          deadline - std::chrono::steady_clock::now())
                          .count();
    pollfd p{out[0], POLLIN, 0};
    if (left <= 0 || ::poll(&p, 1, static_cast<int>(left)) <= 0) break;
    char buf[256];
    const ssize_t n = ::read(out[0], buf, sizeof(buf));
    if (n <= 0) break;
    text.append(buf, static_cast<size_t>(n));
  }
  // Later readiness lines (after a reset) go to a closed pipe; the
  // simulator ignores SIGPIPE.
  ::close(out[0]);
  const bool up = text.find("orbo-boxsim ready") != std::string::npos;
  if (!up) Stop();
  return up;
}

void SimBox::Stop() {
  if (pid_ > 0) {
    ::kill(pid_, SIGTERM);
    ::waitpid(pid_, nullptr, 0);
    pid_ = -1;
  }
}

bool SimBox::Restart(std::vector<std::string> extra) {
  Stop();
  ready_ = Start(extra);
  return ready_;
}

std::vector<std::string> SimBox::Commands() const {
  std::vector<std::string> commands;
  std::ifstream in(dir_ / "boxsim.log");
  for (std::string line; std::getline(in, line);) {
    cJSON* obj = cJSON_Parse(line.c_str());
    const cJSON* c = cJSON_GetObjectItemCaseSensitive(obj, "command");
    if (cJSON_IsString(c)) commands.push_back(c->valuestring);
    cJSON_Delete(obj);
  }
  return commands;
}

}  // namespace orbo::test
