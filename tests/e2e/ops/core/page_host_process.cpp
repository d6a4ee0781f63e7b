#include "page_host_process.h"

#include <cjson/cJSON.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>

extern char** environ;

namespace orbo::test {

PageHost::PageHost(const std::filesystem::path& appDir, const std::vector<std::string>& extra) {
  int in[2];
  int out[2];
  if (::pipe2(in, O_CLOEXEC) != 0) return;
  if (::pipe2(out, O_CLOEXEC) != 0) {
    ::close(in[0]);
    ::close(in[1]);
    return;
  }
  std::vector<std::string> args = {std::string(ORBO_APP_DIR) + "/orbo-cli", "page", "--app-dir",
                                   appDir.string()};
  args.insert(args.end(), extra.begin(), extra.end());
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, in[0], STDIN_FILENO);
  posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
  if (::posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ) != 0) pid_ = -1;
  posix_spawn_file_actions_destroy(&actions);
  ::close(in[0]);
  ::close(out[1]);
  in_ = in[1];
  if (pid_ <= 0) {
    ::close(out[0]);
    return;
  }
  reader_ = std::thread([this, fd = out[0]] { ReadOutput(fd); });
}

PageHost::~PageHost() {
  if (Finish() < 0 && pid_ > 0) {
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, nullptr, 0);
    pid_ = -1;
  }
  if (reader_.joinable()) reader_.join();
}

void PageHost::ReadOutput(int fd) {
  std::string pending;
  char buf[4096];
  for (;;) {
    const ssize_t n = ::read(fd, buf, sizeof(buf));
    if (n <= 0) break;
    pending.append(buf, static_cast<size_t>(n));
    size_t nl;
    std::lock_guard<std::mutex> lock(mutex_);
    while ((nl = pending.find('\n')) != std::string::npos) {
      lines_.push_back(pending.substr(0, nl));
      pending.erase(0, nl + 1);
    }
    cv_.notify_all();
  }
  ::close(fd);
  std::lock_guard<std::mutex> lock(mutex_);
  ended_ = true;
  cv_.notify_all();
}

void PageHost::Send(const std::string& line) {
  if (in_ < 0) return;
  const std::string text = line + "\n";
  size_t done = 0;
  while (done < text.size()) {
    const ssize_t n = ::write(in_, text.data() + done, text.size() - done);
    if (n <= 0) return;
    done += static_cast<size_t>(n);
  }
}

int PageHost::WaitFor(const std::function<bool(const std::string&)>& pred, int from,
                      int timeout_ms) {
  std::unique_lock<std::mutex> lock(mutex_);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
  size_t next = static_cast<size_t>(std::max(from, 0));
  for (;;) {
    for (; next < lines_.size(); ++next) {
      if (pred(lines_[next])) return static_cast<int>(next);
    }
    if (ended_) return -1;
    if (cv_.wait_until(lock, deadline) == std::cv_status::timeout && next >= lines_.size()) {
      return -1;
    }
  }
}

int PageHost::WaitForScript(const std::string& script, int from, int timeout_ms) {
  return WaitFor([&](const std::string& line) { return JsonString(line, "script") == script; },
                 from, timeout_ms);
}

int PageHost::Finish(int timeout_ms) {
  if (in_ >= 0) {
    ::close(in_);
    in_ = -1;
  }
  if (pid_ <= 0) return -1;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
  for (;;) {
    int status = 0;
    const pid_t r = ::waitpid(pid_, &status, WNOHANG);
    if (r == pid_) {
      pid_ = -1;
      return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    if (r < 0 || std::chrono::steady_clock::now() > deadline) return -1;
    // Wait for the end of output, which comes with the host's exit.
    std::unique_lock<std::mutex> lock(mutex_);
    cv_.wait_for(lock, std::chrono::milliseconds(50), [this] { return ended_; });
  }
}

std::vector<std::string> PageHost::Lines() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return lines_;
}

std::vector<std::string> PageHost::Scripts(int from) const {
  std::vector<std::string> scripts;
  const std::vector<std::string> lines = Lines();
  for (size_t i = static_cast<size_t>(std::max(from, 0)); i < lines.size(); ++i) {
    if (auto s = JsonString(lines[i], "script")) scripts.push_back(*s);
  }
  return scripts;
}

std::optional<std::string> JsonString(const std::string& line, const char* key) {
  cJSON* obj = cJSON_Parse(line.c_str());
  std::optional<std::string> value;
  const cJSON* v = cJSON_GetObjectItemCaseSensitive(obj, key);
  if (cJSON_IsString(v)) value = v->valuestring;
  cJSON_Delete(obj);
  return value;
}

std::string KeyScript(const std::string& key) {
  return "AddText(\"@" + key + "\");";
}

std::string LogScript(const std::string& text) {
  return "AddText(\"" + text + "\");";
}

}  // namespace orbo::test
