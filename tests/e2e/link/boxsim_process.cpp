#include "boxsim_process.h"

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

std::string UniqueLoopbackAddress() {
  static std::atomic<int> counter{0};
  const int n = counter++;
  const int pid = static_cast<int>(::getpid());
  const int b = 130 + pid % 100;
  const int c = (pid / 100 + n / 250) % 256;
  const int d = 1 + n % 250;
  return "127." + std::to_string(b) + "." + std::to_string(c) + "." + std::to_string(d);
}

BoxSim::BoxSim(const std::filesystem::path& work_dir, std::vector<std::string> extra,
               const std::string& profile_json)
    : dir_(work_dir), log_path_(work_dir / "boxsim.log"), store_dir_(work_dir / "box-store") {
  if (!profile_json.empty()) {
    std::ofstream(work_dir / "profile.json") << profile_json;
    extra.push_back("--profile");
    extra.push_back((work_dir / "profile.json").string());
  }
  // A taken address (another test's simulator) makes the simulator exit
  // before its readiness line; try the next one.
  for (int attempt = 0; attempt < 5 && !ready_; ++attempt) {
    address_ = UniqueLoopbackAddress();
    usb_path_ = (work_dir / ("usb-" + std::to_string(attempt) + ".sock")).string();
    std::vector<std::string> args = {std::string(ORBO_APP_DIR) + "/orbo-boxsim",
                                     "--address",
                                     address_,
                                     "--usb",
                                     usb_path_,
                                     "--log",
                                     log_path_.string(),
                                     "--store",
                                     store_dir_.string()};
    args.insert(args.end(), extra.begin(), extra.end());
    ready_ = Start(args) && WaitReady(20000);
    if (!ready_) Stop();
  }
}

BoxSim::~BoxSim() {
  Stop();
}

bool BoxSim::Start(const std::vector<std::string>& args) {
  int fds[2];
  if (::pipe2(fds, O_CLOEXEC) != 0) return false;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
  std::vector<char*> argv;
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  int rc = ::posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  ::close(fds[1]);
  if (rc != 0) {
    ::close(fds[0]);
    pid_ = -1;
    return false;
  }
  out_fd_ = fds[0];
  out_buffer_.clear();
  return true;
}

bool BoxSim::WaitLine(const std::string& prefix, int timeout_ms) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
  for (;;) {
    size_t nl = out_buffer_.find('\n');
    if (nl != std::string::npos) {
      std::string line = out_buffer_.substr(0, nl);
      out_buffer_.erase(0, nl + 1);
      if (line.rfind(prefix, 0) == 0) return true;
      continue;
    }
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                    deadline - std::chrono::steady_clock::now())
                    .count();
    if (left <= 0 || out_fd_ < 0) return false;
    pollfd p{out_fd_, POLLIN, 0};
    if (::poll(&p, 1, static_cast<int>(left)) <= 0) return false;
    char buf[512];
    ssize_t n = ::read(out_fd_, buf, sizeof(buf));
    if (n <= 0) return false;  // the simulator ended
    out_buffer_.append(buf, static_cast<size_t>(n));
  }
}

void BoxSim::Stop() {
  if (pid_ > 0) {
    ::kill(pid_, SIGTERM);
    int status = 0;
    ::waitpid(pid_, &status, 0);
    pid_ = -1;
  }
  if (out_fd_ >= 0) {
    ::close(out_fd_);
    out_fd_ = -1;
  }
}

std::vector<std::string> BoxSim::LogLines() const {
  std::vector<std::string> lines;
  std::ifstream in(log_path_);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

std::vector<std::string> BoxSim::Commands() const {
  std::vector<std::string> commands;
  for (const std::string& line : LogLines()) {
    cJSON* obj = cJSON_Parse(line.c_str());
    const cJSON* c = cJSON_GetObjectItemCaseSensitive(obj, "command");
    if (cJSON_IsString(c)) commands.push_back(c->valuestring);
    cJSON_Delete(obj);
  }
  return commands;
}

}  // namespace orbo::test
