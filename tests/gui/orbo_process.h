// Runs the desktop tool under a virtual X server (xvfb-run) with pipes to
// its control input and page log, for GUI tests.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

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
  size_t index_of_last() const;

  // Waits for the process to end; its exit status, or -1 on timeout or
  // abnormal end (it is then killed).
  int Wait(std::chrono::seconds timeout);

 private:
  void ReadLoop(int fd);

  pid_t pid_ = -1;
  int input_ = -1;
  std::thread reader_;
  mutable std::mutex mutex_;  // guards lines_, taken_, last_, eof_
  std::condition_variable changed_;
  std::vector<std::string> lines_;
  std::vector<bool> taken_;
  size_t last_ = 0;
  bool eof_ = false;
};

}  // namespace orbo::test
