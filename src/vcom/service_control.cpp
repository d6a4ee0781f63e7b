#include "vcom/service_control.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <cerrno>
#include <cstring>

#include "base/logger.h"
#include "settings/message_keys.h"

extern char** environ;

namespace orbo::vcom {

ProcessServiceRunner::ProcessServiceRunner(std::filesystem::path serviceExe,
                                           std::filesystem::path workDir)
    : exe_(std::move(serviceExe)), workDir_(std::move(workDir)) {}

int ProcessServiceRunner::Start(const std::vector<std::string>& args) {
  std::vector<std::string> words{exe_.string()};
  words.insert(words.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (auto& w : words) argv.push_back(w.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_adddup2(&actions, 2, 1);
  // The service lives on after the tool: it keeps none of the tool's
  // descriptors (sockets, the instance lock, the display), only 0 to 2.
  posix_spawn_file_actions_addclosefrom_np(&actions, 3);
  if (!workDir_.empty()) posix_spawn_file_actions_addchdir_np(&actions, workDir_.c_str());
  pid_t pid = -1;
  int rc = posix_spawn(&pid, exe_.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) {
    ORBO_LOG_DEBUG("cannot start %s: %s", exe_.c_str(), std::strerror(rc));
    return -1;
  }
  return pid;
}

void ProcessServiceRunner::Wait(int handle) {
  int status = 0;
  while (::waitpid(handle, &status, 0) < 0 && errno == EINTR) {
  }
}

ServiceControl::ServiceControl(SecLibrary& library, ServiceRunner& runner, Sleeper& sleeper,
                               std::function<std::string(std::string_view)> lookup,
                               StatusText* mainWindow)
    : library_(library),
      runner_(runner),
      sleeper_(sleeper),
      lookup_(std::move(lookup)),
      mainWindow_(mainWindow) {}

bool ServiceControl::RunServiceCommand(const std::vector<std::string>& args) {
  int handle = runner_.Start(args);
  if (handle < 0) return false;
  runner_.Wait(handle);
  return true;
}

int ServiceControl::EnableService() {
  library_.sec_DisconnectService();
  RunServiceCommand({"enable"});
  return 1;
}

int ServiceControl::DisableService() {
  library_.sec_DisconnectService();
  RunServiceCommand({"disable"});
  return 1;
}

int ServiceControl::DeletePortConnection() {
  library_.sec_DisconnectService();
  RunServiceCommand({"delete", kConnectionName});
  return 1;
}

int ServiceControl::UninstallService() {
  DeletePortConnection();
  library_.sec_DisconnectService();
  if (RunServiceCommand({"disable"})) RunServiceCommand({"uninstall"});
  return 1;
}

void ServiceControl::Status(StatusText* window, std::string_view key) {
  if (window != nullptr) window->ShowStatusText(lookup_(key));
}

int ServiceControl::InstallService(StatusText* window) {
  if (window == nullptr) window = mainWindow_;
  int handle = runner_.Start({"uninstall"});
  if (handle >= 0) {
    Status(window, keys::kInstallingServer);
    runner_.Wait(handle);
    sleeper_.SleepMs(100);
  }
  if (RunServiceCommand({"install"})) sleeper_.SleepMs(100);
  handle = runner_.Start({"enable"});
  if (handle >= 0) {
    Status(window, keys::kEnableServer);
    runner_.Wait(handle);
    Status(window, keys::kInstallServerSuccess);
  }
  return 1;
}

}  // namespace orbo::vcom
