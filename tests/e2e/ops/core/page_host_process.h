// Runs `orbo-cli page` for one test: page calls go in on its standard
// input, and every line it prints is collected by a reader thread so the
// test can wait for the ones it expects.
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

namespace orbo::test {

class PageHost {
 public:
  // Starts orbo-cli page --app-dir appDir plus extra arguments.
  PageHost(const std::filesystem::path& appDir, const std::vector<std::string>& extra);
  // Ends the session (closes the input) and waits for the host.
  ~PageHost();
  PageHost(const PageHost&) = delete;
  PageHost& operator=(const PageHost&) = delete;

  bool started() const { return pid_ > 0; }
  // Writes one input line (a JSON value).
  void Send(const std::string& line);
  // Index of the first output line at or after from that pred accepts,
  // waiting up to timeout_ms for it; -1 when none came.
  int WaitFor(const std::function<bool(const std::string&)>& pred, int from, int timeout_ms);
  // Same for an output line whose "script" value is script.
  int WaitForScript(const std::string& script, int from = 0, int timeout_ms = 60000);
  // Closes the input and waits for the host to end; its exit code, or -1.
  int Finish(int timeout_ms = 60000);

  std::vector<std::string> Lines() const;
  // The "script" values of the output from line index from on.
  std::vector<std::string> Scripts(int from = 0) const;

 private:
  void ReadOutput(int fd);

  pid_t pid_ = -1;
  int in_ = -1;
  std::thread reader_;
  mutable std::mutex mutex_;  // guards lines_ and ended_
  std::condition_variable cv_;
  std::vector<std::string> lines_;
  bool ended_ = false;
};

// The value of key in a JSON output line, when it is a string.
std::optional<std::string> JsonString(const std::string& line, const char* key);

// The script that shows a message key whose text is "@key".
std::string KeyScript(const std::string& key);
// The script that shows literal text (plain ASCII without quotes).
std::string LogScript(const std::string& text);

}  // namespace orbo::test
