#include "platform/process_start.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <thread>

#include "base/logger.h"

extern char** environ;

namespace orbo {
namespace {

bool IsExecutableFile(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::access(path.c_str(), X_OK) == 0;
}

// Spawn attributes freed on every path out.
class SpawnSetup {
 public:
  SpawnSetup() {
    ok_ = posix_spawnattr_init(&attr_) == 0;
    if (ok_ && posix_spawn_file_actions_init(&actions_) != 0) {
      posix_spawnattr_destroy(&attr_);
      ok_ = false;
    }
  }
  ~SpawnSetup() {
    if (!ok_) return;
    posix_spawn_file_actions_destroy(&actions_);
    posix_spawnattr_destroy(&attr_);
  }
  SpawnSetup(const SpawnSetup&) = delete;
  SpawnSetup& operator=(const SpawnSetup&) = delete;

  // Default handlers for every signal, nothing blocked, no descriptor past
  // standard error inherited.
  bool Prepare() {
    if (!ok_) return false;
    sigset_t all, none;
    sigfillset(&all);
    sigemptyset(&none);
    return posix_spawnattr_setsigdefault(&attr_, &all) == 0 &&
           posix_spawnattr_setsigmask(&attr_, &none) == 0 &&
           posix_spawnattr_setflags(&attr_, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK) == 0 &&
           posix_spawn_file_actions_addclosefrom_np(&actions_, 3) == 0;
  }
  posix_spawnattr_t* attr() { return &attr_; }
  posix_spawn_file_actions_t* actions() { return &actions_; }

 private:
  bool ok_ = false;
  posix_spawnattr_t attr_;
  posix_spawn_file_actions_t actions_;
};

}  // namespace

int StartProgram(const std::vector<std::string>& argv, std::function<void(int)> on_exit,
                 std::string* error) {
  auto fail = [&](std::string_view what, const std::string& name, std::string_view why) {
    if (error) {
      error->assign(what);
      error->append(" \"").append(name).append("\"").append(why);
    }
    return -1;
  };
  if (argv.empty() || argv.front().empty()) return fail("no program given:", "", "");
  std::string program = FindProgram(argv.front());
  if (program.empty()) return fail("not an executable program:", argv.front(), "");
  std::vector<char*> args;
  args.reserve(argv.size() + 1);
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  SpawnSetup setup;
  if (!setup.Prepare()) return fail("cannot prepare the start of", program, "");
  pid_t pid = -1;
  int rc = posix_spawn(&pid, program.c_str(), setup.actions(), setup.attr(), args.data(), environ);
  if (rc != 0) return fail("cannot start", program, std::string(": ") + std::strerror(rc));
  std::thread([pid, on_exit = std::move(on_exit)] {
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (on_exit) on_exit(status);
  }).detach();
  return pid;
}

ProgramStarter DefaultProgramStarter() {
  return [](const std::vector<std::string>& argv) {
    std::string error;
    if (StartProgram(argv, {}, &error) > 0) return true;
    ORBO_LOG_WARN("%s", error.c_str());
    return false;
  };
}

std::string FindProgram(std::string_view name) {
  if (name.empty()) return "";
  std::string n(name);
  if (n.find('/') != std::string::npos) return IsExecutableFile(n) ? n : "";
  const char* path = std::getenv("PATH");
  std::string_view dirs = path ? path : "/usr/local/bin:/usr/bin:/bin";
  size_t start = 0;
  while (start <= dirs.size()) {
    size_t end = dirs.find(':', start);
    if (end == std::string_view::npos) end = dirs.size();
    std::string dir(dirs.substr(start, end - start));
    if (dir.empty()) dir = ".";
    std::string candidate = std::move(dir);
    candidate.append("/").append(n);
    if (IsExecutableFile(candidate)) return candidate;
    start = end + 1;
  }
  return "";
}

bool HasWindowsExecutableHeader(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  char head[2] = {0, 0};
  return in.read(head, 2) && head[0] == 'M' && head[1] == 'Z';
}

}  // namespace orbo
