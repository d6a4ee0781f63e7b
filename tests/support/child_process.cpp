#include "support/child_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/eventfd.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>

#include "base/poll_fd.h"

extern char** environ;

namespace orbo::test {
namespace {

using Clock = std::chrono::steady_clock;

int MsLeft(Clock::time_point deadline) {
  const auto left =
      std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
  return left > 0 ? static_cast<int>(left) : 0;
}

bool MakePipe(UniqueFd* read_end, UniqueFd* write_end) {
  int fds[2];
  if (::pipe2(fds, O_CLOEXEC) != 0) return false;
  *read_end = UniqueFd(fds[0]);
  *write_end = UniqueFd(fds[1]);
  return true;
}

// write() that reports a reader gone as EPIPE instead of letting SIGPIPE
// end the test: the signal is blocked for this thread and a pending one is
// taken back.
ssize_t WriteNoSignal(int fd, const char* data, size_t length) {
  sigset_t pipe_only, old;
  sigemptyset(&pipe_only);
  sigaddset(&pipe_only, SIGPIPE);
  pthread_sigmask(SIG_BLOCK, &pipe_only, &old);
  ssize_t n;
  do {
    n = ::write(fd, data, length);
  } while (n < 0 && errno == EINTR);
  if (n < 0 && errno == EPIPE) {
    const timespec none{0, 0};
    while (sigtimedwait(&pipe_only, nullptr, &none) < 0 && errno == EINTR) {
    }
    errno = EPIPE;
  }
  pthread_sigmask(SIG_SETMASK, &old, nullptr);
  return n;
}

// The environment of a child: the test's, less the names options removes
// or replaces, plus its entries.
std::vector<std::string> ChildEnvironment(const ChildOptions& options) {
  std::vector<std::string> names = options.unsetEnv;
  for (const std::string& entry : options.setEnv) names.push_back(entry.substr(0, entry.find('=')));
  std::vector<std::string> env;
  for (char** e = environ; *e != nullptr; ++e) {
    const std::string entry = *e;
    const std::string name = entry.substr(0, entry.find('='));
    if (std::find(names.begin(), names.end(), name) == names.end()) env.push_back(entry);
  }
  env.insert(env.end(), options.setEnv.begin(), options.setEnv.end());
  return env;
}

// Starts argv with its standard output on a pipe (*out), its input on a
// pipe when in is given, and its standard error on a pipe when err is
// given (else into options.errFile, or inherited). The child starts with
// SIGPIPE at its default whatever the test did. The pid, or -1.
pid_t Spawn(const std::vector<std::string>& argv, const ChildOptions& options, UniqueFd* in,
            UniqueFd* out, UniqueFd* err) {
  if (argv.empty()) return -1;
  UniqueFd child_in, child_out, child_err;
  if ((in && !MakePipe(&child_in, in)) || !MakePipe(out, &child_out) ||
      (err && !MakePipe(err, &child_err))) {
    return -1;
  }
  std::vector<char*> args;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  std::vector<std::string> env_text = ChildEnvironment(options);
  std::vector<char*> envp;
  for (std::string& e : env_text) envp.push_back(e.data());
  envp.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (in) posix_spawn_file_actions_adddup2(&actions, child_in.get(), STDIN_FILENO);
  posix_spawn_file_actions_adddup2(&actions, child_out.get(), STDOUT_FILENO);
  if (err) {
    posix_spawn_file_actions_adddup2(&actions, child_err.get(), STDERR_FILENO);
  } else if (!options.errFile.empty()) {
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, options.errFile.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
  }
  posix_spawnattr_t attr;
  posix_spawnattr_init(&attr);
  sigset_t defaults;
  sigemptyset(&defaults);
  sigaddset(&defaults, SIGPIPE);
  posix_spawnattr_setsigdefault(&attr, &defaults);
  short flags = POSIX_SPAWN_SETSIGDEF;
  if (options.ownGroup) {
    flags |= POSIX_SPAWN_SETPGROUP;
    posix_spawnattr_setpgroup(&attr, 0);
  }
  posix_spawnattr_setflags(&attr, flags);
  pid_t pid = -1;
  if (::posix_spawnp(&pid, args[0], &actions, &attr, args.data(), envp.data()) != 0) pid = -1;
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attr);
  return pid;
}

UniqueFd OpenPidfd(pid_t pid) {
  return UniqueFd(static_cast<int>(::syscall(SYS_pidfd_open, pid, 0)));
}

// Asks the child to end, waits for it (generously), then kills it; reaps it.
void EndChild(pid_t pid) {
  ::kill(pid, SIGTERM);
  UniqueFd exited = OpenPidfd(pid);
  if (exited.valid()) PollFd(exited.get(), POLLIN, 10000);
  if (::waitpid(pid, nullptr, WNOHANG) != pid) {
    ::kill(pid, SIGKILL);
    ::waitpid(pid, nullptr, 0);
  }
}

}  // namespace

ProcessResult RunProcess(const std::vector<std::string>& argv, int timeoutMs,
                         const std::optional<std::string>& input) {
  ProcessResult result;
  UniqueFd in, out, err;
  const pid_t pid = Spawn(argv, ChildOptions{}, input ? &in : nullptr, &out, &err);
  if (pid <= 0) return result;
  size_t written = 0;
  if (in.valid()) {
    ::fcntl(in.get(), F_SETFL, ::fcntl(in.get(), F_GETFL) | O_NONBLOCK);
    if (input->empty()) in.Reset();
  }
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  while (out.valid() || err.valid()) {
    pollfd fds[3] = {{out.valid() ? out.get() : -1, POLLIN, 0},
                     {err.valid() ? err.get() : -1, POLLIN, 0},
                     {in.valid() ? in.get() : -1, POLLOUT, 0}};
    const int ready = ::poll(fds, 3, MsLeft(deadline));
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0) {
      EndChild(pid);
      return result;
    }
    char buf[4096];
    for (int i = 0; i < 2; ++i) {
      if (!fds[i].revents) continue;
      UniqueFd& fd = i == 0 ? out : err;
      const ssize_t n = ::read(fd.get(), buf, sizeof(buf));
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) {
        fd.Reset();
      } else {
        (i == 0 ? result.out : result.err).append(buf, static_cast<size_t>(n));
      }
    }
    if (fds[2].revents) {
      const ssize_t n = WriteNoSignal(in.get(), input->data() + written, input->size() - written);
      if (n > 0) written += static_cast<size_t>(n);
      // All given, or the program stopped reading: either way its input ends.
      if (written == input->size() || (n < 0 && errno != EAGAIN)) in.Reset();
    }
  }
  in.Reset();
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

ChildProcess::ChildProcess(const std::vector<std::string>& argv, const ChildOptions& options)
    : ownGroup_(options.ownGroup), wake_(::eventfd(0, EFD_CLOEXEC)) {
  pid_ = Spawn(argv, options, options.inputPipe ? &input_ : nullptr, &output_, nullptr);
  if (pid_ <= 0) {
    pid_ = -1;
    input_.Reset();
    output_.Reset();
    return;
  }
  exited_ = OpenPidfd(pid_);
  reader_ = std::thread([this] { ReadOutput(); });
}

ChildProcess::~ChildProcess() {
  CloseInput();
  Stop();
  if (reader_.joinable()) {
    // A helper the program left behind may hold its output open; what it
    // still writes is of no interest now.
    {
      std::unique_lock<std::mutex> lock(mutex_);
      changed_.wait_for(lock, std::chrono::seconds(5), [this] { return ended_; });
    }
    const uint64_t one = 1;
    if (::write(wake_.get(), &one, sizeof(one)) < 0) {
      // The eventfd cannot be full after one write; the reader ends anyway
      // once the output closes.
    }
    reader_.join();
  }
}

void ChildProcess::ReadOutput() {
  std::string pending;
  char buf[4096];
  for (;;) {
    pollfd fds[2] = {{output_.get(), POLLIN, 0}, {wake_.get(), POLLIN, 0}};
    const int ready = ::poll(fds, 2, -1);
    if (ready < 0 && errno == EINTR) continue;
    if (ready < 0 || fds[1].revents) break;
    const ssize_t n = ::read(output_.get(), buf, sizeof(buf));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    pending.append(buf, static_cast<size_t>(n));
    {
      std::lock_guard<std::mutex> lock(mutex_);
      for (size_t nl; (nl = pending.find('\n')) != std::string::npos;) {
        lines_.push_back(pending.substr(0, nl));
        pending.erase(0, nl + 1);
      }
    }
    changed_.notify_all();
  }
  {
    std::lock_guard<std::mutex> lock(mutex_);
    ended_ = true;
  }
  changed_.notify_all();
}

bool ChildProcess::Send(const std::string& line) {
  if (!input_.valid()) return false;
  const std::string text = line + "\n";
  size_t done = 0;
  while (done < text.size()) {
    const ssize_t n = WriteNoSignal(input_.get(), text.data() + done, text.size() - done);
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

void ChildProcess::CloseInput() {
  input_.Reset();
}

int ChildProcess::WaitFor(const std::function<bool(const std::string&)>& match, int from,
                          int timeoutMs) {
  std::unique_lock<std::mutex> lock(mutex_);
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  size_t next = static_cast<size_t>(std::max(from, 0));
  for (;;) {
    for (; next < lines_.size(); ++next) {
      if (match(lines_[next])) return static_cast<int>(next);
    }
    if (ended_) return -1;
    if (!changed_.wait_until(lock, deadline, [&] { return ended_ || lines_.size() > next; })) {
      return -1;
    }
  }
}

std::string ChildProcess::WaitForLine(const std::string& prefix, int timeoutMs) {
  const int at = WaitFor([&](const std::string& line) { return line.rfind(prefix, 0) == 0; },
                         static_cast<int>(cursor_), timeoutMs);
  if (at < 0) return std::string();
  cursor_ = static_cast<size_t>(at) + 1;
  std::lock_guard<std::mutex> lock(mutex_);
  return lines_[static_cast<size_t>(at)];
}

std::vector<std::string> ChildProcess::Lines() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return lines_;
}

void ChildProcess::Signal(int sig) const {
  if (pid_ > 0) ::kill(ownGroup_ ? -pid_ : pid_, sig);
}

std::optional<int> ChildProcess::Reap(int timeoutMs) {
  if (pid_ <= 0) return std::nullopt;
  int status = 0;
  pid_t done = 0;
  if (exited_.valid()) {
    PollFd(exited_.get(), POLLIN, timeoutMs);
  } else {
    // No pidfd (an old kernel): look at the child's state now and then;
    // there is no event to wait on without a signal handler.
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while ((done = ::waitpid(pid_, &status, WNOHANG)) == 0 && MsLeft(deadline) > 0) {
      ::usleep(20 * 1000);
    }
  }
  while (done == 0 || (done < 0 && errno == EINTR)) {
    done = ::waitpid(pid_, &status, WNOHANG);
    if (done == 0) return std::nullopt;
  }
  pid_ = -1;
  exited_.Reset();
  if (done < 0) return -1;  // not our child any more: nothing to report
  return status;
}

int ChildProcess::Wait(int timeoutMs) {
  if (pid_ <= 0) return -1;
  const std::optional<int> status = Reap(timeoutMs);
  if (!status) {
    Signal(SIGKILL);
    Reap(60000);
    return -1;
  }
  {
    // The program has ended, but the reader may not have taken its last
    // lines yet: give it until the end of the output (a grandchild that kept
    // the pipe open must not hold the test for ever).
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait_for(lock, std::chrono::seconds(5), [this] { return ended_; });
  }
  return *status >= 0 && WIFEXITED(*status) ? WEXITSTATUS(*status) : -1;
}

void ChildProcess::Stop(int graceMs) {
  if (pid_ <= 0) return;
  Signal(SIGTERM);
  if (Reap(graceMs)) return;
  Signal(SIGKILL);
  Reap(60000);
}

}  // namespace orbo::test
