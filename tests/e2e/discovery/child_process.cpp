#include "e2e/discovery/child_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>

extern char** environ;

namespace orbo::test {
namespace {

using Clock = std::chrono::steady_clock;

int MsLeft(Clock::time_point deadline) {
  const auto left =
      std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
  return left > 0 ? static_cast<int>(left) : 0;
}

// Spawns argv with stdout (and stderr when errFd is given) on pipes.
pid_t Spawn(const std::vector<std::string>& argv, UniqueFd* outFd, UniqueFd* errFd) {
  int out[2];
  int err[2] = {-1, -1};
  if (::pipe2(out, O_CLOEXEC) != 0) return -1;
  if (errFd && ::pipe2(err, O_CLOEXEC) != 0) {
    ::close(out[0]);
    ::close(out[1]);
    return -1;
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
  if (errFd) posix_spawn_file_actions_adddup2(&actions, err[1], STDERR_FILENO);
  std::vector<char*> args;
  for (const auto& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
  args.push_back(nullptr);
  pid_t pid = -1;
  if (posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ) != 0) pid = -1;
  posix_spawn_file_actions_destroy(&actions);
  ::close(out[1]);
  *outFd = UniqueFd(out[0]);
  if (errFd) {
    ::close(err[1]);
    *errFd = UniqueFd(err[0]);
  }
  return pid;
}

// Asks the child to end, waits for it on a pidfd (generously), then kills it.
void EndChild(pid_t pid) {
  ::kill(pid, SIGTERM);
  UniqueFd exited(static_cast<int>(::syscall(SYS_pidfd_open, pid, 0)));
  if (exited.valid()) {
    pollfd fd{exited.get(), POLLIN, 0};
    ::poll(&fd, 1, 10000);
  }
  if (::waitpid(pid, nullptr, WNOHANG) != pid) {
    ::kill(pid, SIGKILL);
    ::waitpid(pid, nullptr, 0);
  }
}

}  // namespace

ProcessResult RunProcess(const std::vector<std::string>& argv, int timeoutMs) {
  ProcessResult result;
  UniqueFd out;
  UniqueFd err;
  const pid_t pid = Spawn(argv, &out, &err);
  if (pid <= 0) return result;
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  bool outOpen = true;
  bool errOpen = true;
  while (outOpen || errOpen) {
    pollfd fds[2] = {{outOpen ? out.get() : -1, POLLIN, 0}, {errOpen ? err.get() : -1, POLLIN, 0}};
    const int ready = ::poll(fds, 2, MsLeft(deadline));
    if (ready <= 0) {
      EndChild(pid);
      return result;
    }
    char buf[4096];
    for (int i = 0; i < 2; ++i) {
      if (!fds[i].revents) continue;
      const ssize_t n = ::read(fds[i].fd, buf, sizeof(buf));
      if (n <= 0) {
        (i == 0 ? outOpen : errOpen) = false;
      } else {
        (i == 0 ? result.out : result.err).append(buf, static_cast<size_t>(n));
      }
    }
  }
  int status = 0;
  if (::waitpid(pid, &status, 0) == pid && WIFEXITED(status)) result.exitCode = WEXITSTATUS(status);
  return result;
}

bool ProgramExists(const std::string& program) {
  if (program.find('/') != std::string::npos) return ::access(program.c_str(), X_OK) == 0;
  const char* path = std::getenv("PATH");
  std::string dirs = path ? path : "/usr/sbin:/usr/bin:/sbin:/bin";
  size_t start = 0;
  while (start <= dirs.size()) {
    size_t end = dirs.find(':', start);
    if (end == std::string::npos) end = dirs.size();
    const std::string candidate = dirs.substr(start, end - start) + "/" + program;
    if (::access(candidate.c_str(), X_OK) == 0) return true;
    start = end + 1;
  }
  return false;
}

ChildProcess::ChildProcess(const std::vector<std::string>& argv) {
  pid_ = Spawn(argv, &out_, nullptr);
}

ChildProcess::~ChildProcess() {
  if (pid_ > 0) EndChild(pid_);
}

std::string ChildProcess::WaitForLine(const std::string& prefix, int timeoutMs) {
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    for (size_t nl; (nl = buffered_.find('\n')) != std::string::npos;) {
      std::string line = buffered_.substr(0, nl);
      buffered_.erase(0, nl + 1);
      if (line.rfind(prefix, 0) == 0) return line;
    }
    if (!out_.valid()) return "";
    pollfd fd{out_.get(), POLLIN, 0};
    if (::poll(&fd, 1, MsLeft(deadline)) <= 0) return "";
    char buf[1024];
    const ssize_t n = ::read(out_.get(), buf, sizeof(buf));
    if (n <= 0) {
      out_.Reset();
      continue;
    }
    buffered_.append(buf, static_cast<size_t>(n));
  }
}

}  // namespace orbo::test
