#include "base/logger.h"

#include <cstdarg>
#include <cstdio>
#include <mutex>

namespace orbo {
namespace {

std::mutex g_mutex;  // guards g_level and keeps lines whole
LogLevel g_level = LogLevel::kWarning;

const char* Prefix(LogLevel level) {
  switch (level) {
    case LogLevel::kDebug:
      return "debug";
    case LogLevel::kInfo:
      return "info";
    case LogLevel::kWarning:
      return "warning";
    case LogLevel::kError:
      return "error";
  }
  return "?";
}

}  // namespace

void SetLogLevel(LogLevel level) {
  std::lock_guard<std::mutex> lock(g_mutex);
  g_level = level;
}

void Log(LogLevel level, const char* fmt, ...) {
  {
    std::lock_guard<std::mutex> lock(g_mutex);
    if (level < g_level) return;
  }
  char buf[2048];
  va_list ap;
  va_start(ap, fmt);
  vsnprintf(buf, sizeof(buf), fmt, ap);
  va_end(ap);
  std::string line(buf);
  while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
  std::lock_guard<std::mutex> lock(g_mutex);
  std::fprintf(stderr, "orbo %s: %s\n", Prefix(level), line.c_str());
}

}  // namespace orbo
