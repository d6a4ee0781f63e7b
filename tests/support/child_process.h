// Starts programs for tests without a shell: run to their end with the
// output captured, or kept running with their output collected line by line.
#pragma once

#include <sys/types.h>

#include <condition_variable>
#include <filesystem>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "base/unique_fd.h"

namespace orbo::test {

struct ProcessResult {
  int exitCode = -1;  // -1 when the program could not start, was killed or overran
  std::string out;
  std::string err;
};

// Runs argv (argv[0] looked up in PATH when it has no '/') to its end and
// returns its exit code and output. input, when given, is its whole
// standard input (else it inherits the test's). A program still running
// after timeoutMs is ended and reported with exitCode -1.
ProcessResult RunProcess(const std::vector<std::string>& argv, int timeoutMs = 60000,
                         const std::optional<std::string>& input = std::nullopt);

// True when `program` is found in PATH (or is a path to an executable).
bool ProgramExists(const std::string& program);

// How a ChildProcess starts. By default it inherits the test's standard
// input, standard error and environment.
struct ChildOptions {
  bool inputPipe = false;             // standard input from Send()
  std::filesystem::path errFile;      // standard error into this file (created anew)
  std::vector<std::string> setEnv;    // "NAME=VALUE" entries added, replacing NAME
  std::vector<std::string> unsetEnv;  // names removed from the environment
  bool ownGroup = false;              // a process group of its own, signalled as a whole
};

// A program that keeps running while the test talks to it. Its standard
// output is read by a thread of its own into lines. When the object goes
// the input is closed and a program still running is ended (SIGTERM, then
// SIGKILL after a generous wait) and reaped.
class ChildProcess {
 public:
  explicit ChildProcess(const std::vector<std::string>& argv, const ChildOptions& options = {});
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  bool started() const { return pid_ > 0; }
  pid_t pid() const { return pid_; }

  // Writes line and a line feed to the input; false without an input pipe
  // or when the program no longer reads it.
  bool Send(const std::string& line);
  // Closes the input (the program sees its end).
  void CloseInput();

  // Index of the first output line at or after from that match accepts,
  // waiting up to timeoutMs for it; -1 when the output ended or the time
  // ran out first.
  int WaitFor(const std::function<bool(const std::string&)>& match, int from, int timeoutMs);
  // Reads on from the line after the last one this returned, to a line
  // starting with prefix; that line, or "" when none came within timeoutMs.
  std::string WaitForLine(const std::string& prefix, int timeoutMs = 30000);
  // Every output line so far.
  std::vector<std::string> Lines() const;

  // Waits up to timeoutMs for the program to end; its exit status, or -1
  // when it ended by a signal or was still running (it is then killed).
  int Wait(int timeoutMs);
  // Ends the program as the destructor does: SIGTERM, a wait of up to
  // graceMs, then SIGKILL. Nothing when it has ended already.
  void Stop(int graceMs = 10000);

 private:
  void ReadOutput();
  // Sends sig to the program (to its group when it has one of its own).
  void Signal(int sig) const;
  // Reaps the program when it ends within timeoutMs; its wait status.
  std::optional<int> Reap(int timeoutMs);

  pid_t pid_ = -1;
  bool ownGroup_ = false;
  UniqueFd input_;
  UniqueFd output_;
  UniqueFd exited_;  // pidfd of the program, readable once it ended
  UniqueFd wake_;    // eventfd that ends the reader early
  std::thread reader_;
  size_t cursor_ = 0;         // next line WaitForLine looks at (test thread only)
  mutable std::mutex mutex_;  // guards lines_ and ended_
  std::condition_variable changed_;
  std::vector<std::string> lines_;
  bool ended_ = false;
};

}  // namespace orbo::test
