// Runs the desktop tool under a virtual X server (xvfb-run) with pipes to
// its control input and page log, for GUI tests.
#pragma once

#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "support/child_process.h"

namespace orbo::test {

class OrboProcess {
 public:
  // Path of xvfb-run, or empty when it is not installed.
  static std::string FindXvfbRun();

  OrboProcess() = default;
  // Ends the process (closes its input, then kills its group if it lingers).
  ~OrboProcess();
  OrboProcess(const OrboProcess&) = delete;
  OrboProcess& operator=(const OrboProcess&) = delete;

  // Starts xvfb-run -a ORBO ARGS with TMPDIR=tmp_dir and stderr to
  // stderr_path. False (and *error) when it cannot be started.
  bool Start(const std::string& orbo, const std::vector<std::string>& args,
             const std::filesystem::path& tmp_dir, const std::filesystem::path& stderr_path,
             std::string* error);

  // Writes one line to the control input.
  bool Send(const std::string& line);
  // Closes the control input (the window then closes).
  void CloseInput();

  // Waits until a line not yet taken satisfies match, takes it and returns
  // it (lines of different kinds arrive in no fixed order, so each wait
  // looks at every line not taken before). Empty on timeout or end of
  // output. index_of_last() is the taken line's position in Lines().
  std::string WaitForLine(const std::function<bool(const std::string&)>& match,
                          std::chrono::seconds timeout);
  std::string WaitForLine(const std::string& exact, std::chrono::seconds timeout);
  // Every line read so far.
  std::vector<std::string> Lines() const;
  size_t index_of_last() const { return last_; }

  // Waits for the process to end; its exit status, or -1 on timeout (it is
  // then killed with its group) or abnormal end.
  int Wait(std::chrono::seconds timeout);

 private:
  std::unique_ptr<ChildProcess> process_;
  std::vector<bool> taken_;  // lines WaitForLine returned
  size_t last_ = 0;
};

}  // namespace orbo::test
