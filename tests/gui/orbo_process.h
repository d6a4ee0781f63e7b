// Runs the desktop tool under a virtual X server (xvfb-run) with pipes to
// its control input and page log, for GUI tests; with the steps every GUI
// test repeats: start the built tool, wait for a logged line, take a
// screenshot, close and check the exit.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "support/child_process.h"

namespace orbo::test {

// How long a GUI test waits for any one thing.
inline constexpr std::chrono::seconds kPatience(60);
// orbo's exit status when no X display opens.
inline constexpr int kNoDisplay = 3;

// Skips the test when xvfb-run is missing.
#define ORBO_SKIP_WITHOUT_XVFB()                        \
  if (::orbo::test::OrboProcess::FindXvfbRun().empty()) \
  GTEST_SKIP() << "xvfb-run is not installed: no virtual X server for the window"

// For the first thing a test waits for after the start: when up is false,
// skips the test if the tool ended for want of a display, else fails it
// with the diagnostics.
#define ORBO_ASSERT_UP(orbo, up)                                                        \
  do {                                                                                  \
    if (!(up)) {                                                                        \
      if ((orbo).EndedWithoutDisplay()) GTEST_SKIP() << "no X display could be opened"; \
      FAIL() << "the window did not come up" << (orbo).Diagnostics();                   \
    }                                                                                   \
  } while (0)

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

  // Start with the built tool (ORBO_APP_DIR/orbo) and its standard error in
  // tmp_dir/stderr.txt.
  ::testing::AssertionResult StartTool(const std::vector<std::string>& args,
                                       const std::filesystem::path& tmp_dir);

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

  // WaitForLine(exact, kPatience) as an assertion that shows the
  // diagnostics when the line did not come.
  ::testing::AssertionResult Logged(const std::string& exact);
  // Asks for a screenshot into path and waits until it was written.
  ::testing::AssertionResult Screenshot(const std::filesystem::path& path);
  // Closes the control input and expects the tool to end with status 0.
  ::testing::AssertionResult Finish();
  // True when the tool ended (within a few seconds) because no display
  // could be opened.
  bool EndedWithoutDisplay();
  // The page log so far and the standard error file, for failure messages.
  std::string Diagnostics() const;

 private:
  std::unique_ptr<ChildProcess> process_;
  std::filesystem::path stderr_path_;
  std::vector<bool> taken_;  // lines WaitForLine returned
  size_t last_ = 0;
};

}  // namespace orbo::test
