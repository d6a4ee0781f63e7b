// The page host's standard output: one JSON object per line, written under
// one lock so lines from the worker thread never interleave with others.
#pragma once

#include <cstdio>
#include <mutex>
#include <string>

struct cJSON;

namespace orbo::cli {

class PageOutput {
 public:
  explicit PageOutput(std::FILE* out) : out_(out) {}
  PageOutput(const PageOutput&) = delete;
  PageOutput& operator=(const PageOutput&) = delete;

  // {"script":"..."}
  void Script(const std::string& script);
  // {"navigate":"..."}
  void Navigate(const std::string& url);
  // {"result":N}
  void Result(int result);
  // {"result":null}: a call the browser side ignores.
  void Ignored();
  // {"prompt":"<kind>","text":"...","answer":"..."}
  void Prompt(const std::string& kind, const std::string& text, const std::string& answer);
  // {"clipboard":"..."}
  void Clipboard(const std::string& text);
  // {"branding":N}, with "restart":"<program>" when the start ends for a
  // restart of the renamed program.
  void Branding(int result, const std::string& restart_program);
  // {"status":"..."}: a text the window shows in its status line.
  void Status(const std::string& text);

 private:
  // line and a line feed, written and flushed under the lock.
  void WriteLine(const char* line);
  void WriteObject(const cJSON* object);
  void StringLine(const char* name, const std::string& value);

  std::FILE* out_;
  std::mutex mutex_;  // guards writes to out_
};

}  // namespace orbo::cli
