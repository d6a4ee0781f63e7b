// The simulator's record of what it received: one JSON object per line,
// flushed at once, so tests can assert on the commands a box saw.
#pragma once

#include <cstdio>
#include <mutex>
#include <string>

struct cJSON;

namespace boxsim {

class EventLog {
 public:
  // An empty path keeps no log. False when the file cannot be opened.
  bool Open(const std::string& path);
  ~EventLog();
  // Writes obj as one line and frees it.
  void Write(cJSON* obj);
  // {"transport":..., "command":...}
  void Command(const char* transport, const std::string& command);
  // {"event":..., plus a name and a number when given}
  void Event(const char* event, const std::string& name = {}, long long size = -1, int ok = -1);

 private:
  std::mutex mutex_;  // guards file_ and keeps lines whole
  std::FILE* file_ = nullptr;
};

}  // namespace boxsim
