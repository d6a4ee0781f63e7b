#include "orbo_process.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

extern char** environ;

namespace orbo::test {

std::string OrboProcess::FindXvfbRun() {
  for (const char* dir : {"/usr/bin", "/usr/local/bin", "/bin"}) {
    const std::string path = std::string(dir) + "/xvfb-run";
    if (access(path.c_str(), X_OK) == 0) return path;
  }
  return std::string();
}

OrboProcess::~OrboProcess() {
  CloseInput();
  if (pid_ > 0) Wait(std::chrono::seconds(30));
  if (reader_.joinable()) reader_.join();
}

bool OrboProcess::Start(const std::string& orbo, const std::vector<std::string>& args,
                        const std::filesystem::path& tmp_dir,
                        const std::filesystem::path& stderr_path, std::string* error) {
  int in_pipe[2], out_pipe[2];
  if (pipe2(in_pipe, O_CLOEXEC) != 0 || pipe2(out_pipe, O_CLOEXEC) != 0) {
    *error = std::string("pipe: ") + std::strerror(errno);
    return false;
  }
  std::vector<std::string> argv_text = {FindXvfbRun(), "-a", "-s", "-screen 0 1280x900x24", orbo};
  argv_text.insert(argv_text.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (auto& a : argv_text) argv.push_back(a.data());
  argv.push_back(nullptr);

  std::vector<std::string> env_text;
  for (char** e = environ; *e != nullptr; ++e) {
    const std::string entry = *e;
    if (entry.rfind("TMPDIR=", 0) == 0 || entry.rfind("WAYLAND_DISPLAY=", 0) == 0 ||
        entry.rfind("DISPLAY=", 0) == 0 || entry.rfind("GDK_BACKEND=", 0) == 0 ||
        entry.rfind("GSETTINGS_BACKEND=", 0) == 0) {
      continue;
    }
    env_text.push_back(entry);
  }
  env_text.push_back("TMPDIR=" + tmp_dir.string());
  env_text.push_back("GDK_BACKEND=x11");
  // Toolkit settings (the file chooser's, for example) stay in memory.
  env_text.push_back("GSETTINGS_BACKEND=memory");
  std::vector<char*> envp;
  for (auto& e : env_text) envp.push_back(e.data());
  envp.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, in_pipe[0], 0);
  posix_spawn_file_actions_adddup2(&actions, out_pipe[1], 1);
  posix_spawn_file_actions_addopen(&actions, 2, stderr_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                   0644);
  posix_spawnattr_t attr;
  posix_spawnattr_init(&attr);
  // Its own process group, so the X server and the page processes can be
  // ended together if the tool does not close by itself.
  posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETPGROUP);
  posix_spawnattr_setpgroup(&attr, 0);
  const int rc = posix_spawn(&pid_, argv[0], &actions, &attr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attr);
  close(in_pipe[0]);
  close(out_pipe[1]);
  if (rc != 0) {
    close(in_pipe[1]);
    close(out_pipe[0]);
    pid_ = -1;
    *error = std::string("posix_spawn: ") + std::strerror(rc);
    return false;
  }
  input_ = in_pipe[1];
  const int out = out_pipe[0];
  reader_ = std::thread([this, out] { ReadLoop(out); });
  return true;
}

void OrboProcess::ReadLoop(int fd) {
  std::string pending;
  char buffer[4096];
  for (;;) {
    const ssize_t n = read(fd, buffer, sizeof(buffer));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    pending.append(buffer, static_cast<size_t>(n));
    size_t newline;
    while ((newline = pending.find('\n')) != std::string::npos) {
      {
        std::lock_guard<std::mutex> lock(mutex_);
        lines_.push_back(pending.substr(0, newline));
        taken_.push_back(false);
      }
      changed_.notify_all();
      pending.erase(0, newline + 1);
    }
  }
  close(fd);
  {
    std::lock_guard<std::mutex> lock(mutex_);
    eof_ = true;
  }
  changed_.notify_all();
}

bool OrboProcess::Send(const std::string& line) {
  if (input_ < 0) return false;
  const std::string text = line + "\n";
  size_t done = 0;
  while (done < text.size()) {
    const ssize_t n = write(input_, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

void OrboProcess::CloseInput() {
  if (input_ >= 0) close(input_);
  input_ = -1;
}

std::string OrboProcess::WaitForLine(const std::function<bool(const std::string&)>& match,
                                     std::chrono::seconds timeout) {
  std::unique_lock<std::mutex> lock(mutex_);
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  size_t seen = 0;
  for (;;) {
    for (size_t i = 0; i < lines_.size(); ++i) {
      if (taken_[i] || !match(lines_[i])) continue;
      taken_[i] = true;
      last_ = i;
      return lines_[i];
    }
    seen = lines_.size();
    if (eof_) return std::string();
    if (!changed_.wait_until(lock, deadline, [&] { return eof_ || lines_.size() > seen; })) {
      return std::string();
    }
  }
}

std::string OrboProcess::WaitForLine(const std::string& exact, std::chrono::seconds timeout) {
  return WaitForLine([&](const std::string& line) { return line == exact; }, timeout);
}

size_t OrboProcess::index_of_last() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return last_;
}

std::vector<std::string> OrboProcess::Lines() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return lines_;
}

int OrboProcess::Wait(std::chrono::seconds timeout) {
  if (pid_ <= 0) return -1;
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  int status = 0;
  for (;;) {
    const pid_t done = waitpid(pid_, &status, WNOHANG);
    if (done == pid_) break;
    if (done < 0 && errno != EINTR) {
      pid_ = -1;
      return -1;
    }
    if (std::chrono::steady_clock::now() > deadline) {
      kill(-pid_, SIGKILL);
      waitpid(pid_, &status, 0);
      pid_ = -1;
      return -1;
    }
    // Polling a child's end: no event to wait on without a signal handler.
    usleep(20 * 1000);
  }
  pid_ = -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace orbo::test
