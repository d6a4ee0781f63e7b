// Runs `orbo-cli page` for one test: page calls go in on its standard
// input, and every line it prints is collected so the test can wait for
// the ones it expects. Also the small texts page-host tests are made of.
#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "support/child_process.h"

namespace orbo::test {

class PageHost {
 public:
  // Starts orbo-cli page --app-dir appDir plus extra arguments; with a
  // wrapper, through it (e.g. a shell that sets limits, then execs "$@").
  PageHost(const std::filesystem::path& appDir, const std::vector<std::string>& extra,
           const std::vector<std::string>& wrapper = {});
  // Ends the session as Finish does; a host that does not end is killed.
  ~PageHost();
  PageHost(const PageHost&) = delete;
  PageHost& operator=(const PageHost&) = delete;

  bool started() const { return process_.started(); }
  pid_t pid() const { return process_.pid(); }
  // Writes one input line (a JSON value).
  void Send(const std::string& line) { process_.Send(line); }
  // Index of the first output line at or after from that pred accepts,
  // waiting up to timeout_ms for it; -1 when none came.
  int WaitFor(const std::function<bool(const std::string&)>& pred, int from, int timeout_ms) {
    return process_.WaitFor(pred, from, timeout_ms);
  }
  // Same for an output line whose "script" value is script.
  int WaitForScript(const std::string& script, int from = 0, int timeout_ms = 60000);
  // Closes the input and waits for the host to end; its exit code, or -1.
  int Finish(int timeout_ms = 60000);

  std::vector<std::string> Lines() const { return process_.Lines(); }
  // The "script" values of the output from line index from on.
  std::vector<std::string> Scripts(int from = 0) const;

 private:
  ChildProcess process_;
  bool finished_ = false;
};

// The input line of the page call (v1, v2): a JSON array of two strings.
std::string PageCall(const std::string& v1, const std::string& v2);

// Sends the page call (code, v2), then waits for the script first and
// after it the script last; the scripts from first to last. Adds a test
// failure, showing every output line, when either does not come.
std::vector<std::string> RunOperation(PageHost& host, const std::string& code,
                                      const std::string& v2, const std::string& first,
                                      const std::string& last, int timeout_ms = 60000);

// The value of key in a JSON output line, when it is a string.
std::optional<std::string> JsonString(const std::string& line, const char* key);

// The script that shows a message key whose text is "@key".
std::string KeyScript(const std::string& key);
// The script that shows literal text (plain ASCII without quotes).
std::string LogScript(const std::string& text);

// Lines joined with line feeds, for failure messages.
std::string JoinLines(const std::vector<std::string>& lines);

}  // namespace orbo::test
