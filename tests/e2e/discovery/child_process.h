// Starts programs for end-to-end tests without a shell: run-to-end with the
// output captured, or a long-running server read line by line.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

#include "base/unique_fd.h"

namespace orbo::test {

struct ProcessResult {
  int exitCode = -1;  // -1 when the program could not start, was killed or overran
  std::string out;
  std::string err;
};

// Runs argv (argv[0] looked up in PATH when it has no '/') to its end and
// returns its exit code and output. A program still running after
// timeoutMs is killed and reported with exitCode -1.
ProcessResult RunProcess(const std::vector<std::string>& argv, int timeoutMs = 60000);

// True when `program` is found in PATH (or is a path to an executable).
bool ProgramExists(const std::string& program);

// A program that keeps running; it is ended with SIGTERM (then SIGKILL)
// and reaped when the object goes.
class ChildProcess {
 public:
  explicit ChildProcess(const std::vector<std::string>& argv);
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  bool started() const { return pid_ > 0; }
  // Reads stdout until a line starting with prefix; returns that line, or ""
  // when the output ended or timeoutMs passed first.
  std::string WaitForLine(const std::string& prefix, int timeoutMs = 30000);

 private:
  pid_t pid_ = -1;
  UniqueFd out_;
  std::string buffered_;
};

}  // namespace orbo::test
