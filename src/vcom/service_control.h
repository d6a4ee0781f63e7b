// Control of the port service by running its executable with a one-word
// command: install, enable, disable, uninstall, and deleting the tool's
// connection by name. Each command is waited for without a time limit;
// its exit status is not examined (callers judge the outcome by whether the
// service answers and the port exists).
#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/sleeper.h"
#include "vcom/sec_library.h"

namespace orbo::vcom {

// The tool's connection.
inline constexpr char kConnectionName[] = "ORBO_COM";

// Where status texts go: the window's status line, or the page host's
// {"status":...} lines. Called on any thread.
class StatusText {
 public:
  virtual ~StatusText() = default;
  virtual void ShowStatusText(const std::string& text) = 0;
};

// Starts the service executable with one command and waits for it.
class ServiceRunner {
 public:
  virtual ~ServiceRunner() = default;
  // A handle for Wait, or -1 when the program could not be started.
  virtual int Start(const std::vector<std::string>& args) = 0;
  // Waits for the started program to end, without a time limit.
  virtual void Wait(int handle) = 0;
};

// The real runner: serviceExe started with an argument vector (never a
// shell) in workDir, standard input from /dev/null and standard output
// sent to standard error (a page host's output stays its own).
class ProcessServiceRunner : public ServiceRunner {
 public:
  ProcessServiceRunner(std::filesystem::path serviceExe, std::filesystem::path workDir);
  int Start(const std::vector<std::string>& args) override;
  void Wait(int handle) override;

 private:
  const std::filesystem::path exe_;
  const std::filesystem::path workDir_;
};

class ServiceControl {
 public:
  // lookup gives a message key's text; mainWindow receives status texts
  // when InstallService is given none (may be null: texts are dropped).
  ServiceControl(SecLibrary& library, ServiceRunner& runner, Sleeper& sleeper,
                 std::function<std::string(std::string_view)> lookup, StatusText* mainWindow);

  // Starts and waits for the command; true when it started.
  bool RunServiceCommand(const std::vector<std::string>& args);
  // Each closes the library link first, runs its command(s) and returns 1.
  int EnableService();
  int DisableService();
  int DeletePortConnection();
  // DeletePortConnection, then "disable" and, only when that started,
  // "uninstall".
  int UninstallService();
  // "uninstall", "install", "enable" with the status texts installing_server,
  // enable_server and install_server_success sent for the steps that started.
  int InstallService(StatusText* window);

 private:
  void Status(StatusText* window, std::string_view key);

  SecLibrary& library_;
  ServiceRunner& runner_;
  Sleeper& sleeper_;
  const std::function<std::string(std::string_view)> lookup_;
  StatusText* const mainWindow_;
};

}  // namespace orbo::vcom
