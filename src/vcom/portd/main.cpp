// orbo-portd: the port service. Verbs:
//   install      prepare the service folder and mark the service installed
//   enable       start the service in the background (installed only) and
//                wait until it answers
//   disable      stop a running service; its connections and ports end
//   uninstall    disable, then remove the installed mark
//   delete NAME  remove every connection named NAME from the running service
//   run          the service itself, in the foreground
// Exit status 0 on success, 1 on failure, 2 on a usage error.
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "base/logger.h"
#include "base/program_info.h"
#include "base/unique_fd.h"
#include "vcom/line_channel.h"
#include "vcom/port_paths.h"
#include "vcom/portd/port_service.h"
#include "vcom/portd/pty_bridge.h"

extern char** environ;

namespace {

using namespace orbo;
using namespace orbo::vcom;

std::filesystem::path InstalledMark() {
  return ServiceDir() / "installed";
}
std::filesystem::path LockPath() {
  return ServiceDir() / "portd.lock";
}
std::filesystem::path LogPath() {
  return ServiceDir() / "portd.log";
}

UniqueFd ConnectControl() {
  sockaddr_un addr{};
  addr.sun_family = AF_UNIX;
  const std::string path = ServiceSocketPath().string();
  if (path.size() >= sizeof addr.sun_path) return UniqueFd();
  std::memcpy(addr.sun_path, path.c_str(), path.size() + 1);
  UniqueFd fd(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
  if (fd.valid() && ::connect(fd.get(), reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
    fd.Reset();
  }
  return fd;
}

// Sends one request to the running service; its reply line, or "" when no
// service answered.
std::string Ask(const std::string& request, UniqueFd* keep = nullptr) {
  UniqueFd fd = ConnectControl();
  std::string reply;
  if (!fd.valid() || !WriteLine(fd.get(), request, 5000)) return reply;
  if (LineReader(fd.get()).ReadLine(&reply, 30000) != 1) reply.clear();
  if (keep) *keep = std::move(fd);
  return reply;
}

bool Answers() {
  return !Ask("{\"op\":\"hello\"}").empty();
}

int Run(int readyFd) {
  if (!EnsurePrivateDirs()) {
    std::fprintf(stderr, "orbo-portd: %s is not a private folder of this user\n",
                 ServiceDir().c_str());
    return 1;
  }
  UniqueFd lock(::open(LockPath().c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600));
  if (!lock.valid() || ::flock(lock.get(), LOCK_EX | LOCK_NB) != 0) {
    std::fprintf(stderr, "orbo-portd: the service is running already\n");
    return 1;
  }
  // Holding the lock, a socket file left by an ended service is stale.
  const std::filesystem::path socketPath = ServiceSocketPath();
  ::unlink(socketPath.c_str());
  sockaddr_un addr{};
  addr.sun_family = AF_UNIX;
  if (socketPath.string().size() >= sizeof addr.sun_path) return 1;
  std::strcpy(addr.sun_path, socketPath.c_str());
  UniqueFd listen(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
  const mode_t old = ::umask(0177);
  bool bound =
      listen.valid() && ::bind(listen.get(), reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
  ::umask(old);
  if (!bound || ::chmod(socketPath.c_str(), 0600) != 0 || ::listen(listen.get(), 16) != 0) {
    std::fprintf(stderr, "orbo-portd: cannot listen on %s: %s\n", socketPath.c_str(),
                 std::strerror(errno));
    return 1;
  }
  struct stat bound_st {};
  ::lstat(socketPath.c_str(), &bound_st);
  ::signal(SIGPIPE, SIG_IGN);
  orbo::SetLogLevel(orbo::LogLevel::kInfo);
  // SIGTERM and SIGINT end the service as "disable" does: the connections
  // and their links are removed first. SIGUSR2 only ends the watcher.
  sigset_t signals;
  sigemptyset(&signals);
  sigaddset(&signals, SIGTERM);
  sigaddset(&signals, SIGINT);
  sigaddset(&signals, SIGUSR2);
  pthread_sigmask(SIG_BLOCK, &signals, nullptr);
  std::thread signalWatch([&] {
    int sig = 0;
    if (sigwait(&signals, &sig) == 0 && sig != SIGUSR2) {
      UniqueFd fd;
      Ask("{\"op\":\"stop\"}", &fd);
    }
  });
  {
    PortService service(PortsDir(), FindWineDevices());
    service.Serve(listen.get(), socketPath, readyFd);
  }
  // Only this service's socket is removed, never one a later service made.
  struct stat now_st {};
  if (::lstat(socketPath.c_str(), &now_st) == 0 && now_st.st_ino == bound_st.st_ino) {
    ::unlink(socketPath.c_str());
  }
  pthread_kill(signalWatch.native_handle(), SIGUSR2);
  signalWatch.join();
  return 0;
}

int Enable() {
  if (!std::filesystem::exists(InstalledMark())) {
    std::fprintf(stderr, "orbo-portd: the service is not installed (orbo-portd install)\n");
    return 1;
  }
  if (Answers()) return 0;
  int pipeFds[2];
  if (::pipe2(pipeFds, O_CLOEXEC) != 0) return 1;
  // Numbers above the ones the child gets, so dup2 onto 3 always copies.
  int ready[2] = {::fcntl(pipeFds[0], F_DUPFD_CLOEXEC, 10),
                  ::fcntl(pipeFds[1], F_DUPFD_CLOEXEC, 10)};
  ::close(pipeFds[0]);
  ::close(pipeFds[1]);
  if (ready[0] < 0 || ready[1] < 0) return 1;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, LogPath().c_str(), O_WRONLY | O_CREAT | O_APPEND,
                                   0600);
  posix_spawn_file_actions_adddup2(&actions, 1, 2);
  posix_spawn_file_actions_adddup2(&actions, ready[1], 3);
  posix_spawn_file_actions_addchdir_np(&actions, "/");
  posix_spawnattr_t attr;
  posix_spawnattr_init(&attr);
  posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSID);
  std::string self = "/proc/self/exe";
  std::vector<std::string> args = {"orbo-portd", "run", "--ready-fd", "3"};
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  pid_t pid = -1;
  int rc = posix_spawn(&pid, self.c_str(), &actions, &attr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attr);
  ::close(ready[1]);
  if (rc != 0) {
    ::close(ready[0]);
    std::fprintf(stderr, "orbo-portd: cannot start the service: %s\n", std::strerror(rc));
    return 1;
  }
  // The service closes its end once it serves requests (or when it ends).
  char byte;
  while (::read(ready[0], &byte, 1) < 0 && errno == EINTR) {
  }
  ::close(ready[0]);
  // The service runs in a session of its own; it is reaped by init once it
  // ends, unless it ended already, which is checked here.
  int status = 0;
  if (::waitpid(pid, &status, WNOHANG) == pid) return 1;
  return Answers() ? 0 : 1;
}

int Disable() {
  UniqueFd fd;
  if (Ask("{\"op\":\"stop\"}", &fd).empty()) return 0;
  // The service closes the link when it ends.
  char byte;
  while (::read(fd.get(), &byte, 1) > 0 || errno == EINTR) {
  }
  return 0;
}

int Delete(const std::string& name) {
  std::string request = "{\"op\":\"delete_name\",\"name\":\"";
  for (char c : name) {
    if (c == '"' || c == '\\') request += '\\';
    if (static_cast<unsigned char>(c) < 0x20) return 1;
    request += c;
  }
  request += "\"}";
  return Ask(request).find("\"ok\":1") != std::string::npos ? 0 : 1;
}

constexpr const char* kUsage = "usage: orbo-portd install|enable|disable|uninstall|delete NAME|run\n";

int Usage() {
  std::fputs(kUsage, stderr);
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  const std::string help = std::string(kUsage) +
                           "\nThe ORBO box tool's port service; the manual page orbo-portd(1) "
                           "describes the verbs.\n";
  if (auto answered = orbo::AnswerHelpOrVersion("orbo-portd", args, help.c_str())) return *answered;
  if (args.empty()) return Usage();
  const std::string verb = args[0];
  if (verb == "run") {
    int readyFd = -1;
    if (args.size() == 3 && args[1] == "--ready-fd")
      readyFd = std::atoi(args[2].c_str());
    else if (args.size() != 1)
      return Usage();
    if (readyFd >= 0) ::fcntl(readyFd, F_SETFD, FD_CLOEXEC);
    return Run(readyFd);
  }
  if (verb == "delete") return args.size() == 2 ? Delete(args[1]) : Usage();
  if (args.size() != 1) return Usage();
  if (verb == "install") {
    if (!EnsurePrivateDirs()) return 1;
    UniqueFd mark(::open(InstalledMark().c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600));
    return mark.valid() ? 0 : 1;
  }
  if (verb == "enable") return Enable();
  if (verb == "disable") return Disable();
  if (verb == "uninstall") {
    Disable();
    std::error_code ec;
    std::filesystem::remove(InstalledMark(), ec);
    return ec ? 1 : 0;
  }
  return Usage();
}
