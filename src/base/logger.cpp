#include "base/logger.h"

#include <cstdarg>
#include <cstdio>
#include <mutex>

namespace orbo {
namespace {

std::mutex g_mutex;  // guards g_level and g_sink, and keeps lines whole
LogLevel g_level = LogLevel::kWarning;
std::function<void(LogLevel, const std::string&)> g_sink;

const char* Prefix(LogLevel level) {
  switch (level) {
    case LogLevel::kDebug: return "debug";
    case LogLevel::kInfo: return "info";
    case LogLevel::kWarning: return "warning";
    case LogLevel::kError: return "error";
  }
  return "?";
}

}  // namespace

void SetLogLevel(LogLevel level) {
  std::lock_guard<std::mutex> lock(g_mutex);
  g_level = level;
}

LogLevel GetLogLevel() {
  std::lock_guard<std::mutex> lock(g_mutex);
  return g_level;
}

void SetLogSink(std::function<void(LogLevel, const std::string&)> sink) {
  std::lock_guard<std::mutex> lock(g_mutex);
  g_sink = std::move(sink);
}

void Log(LogLevel level, const char* fmt, ...) {
  {
    std::lock_guard<std::mutex> lock(g_mutex);
    if (level < g_level && !g_sink) return;
  }
  char buf[2048];
  va_list ap;
  va_start(ap, fmt);
  vsnprintf(buf, sizeof(buf), fmt, ap);
  va_end(ap);
  std::string line(buf);
  while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
  std::lock_guard<std::mutex> lock(g_mutex);
  if (g_sink) {
    g_sink(level, line);
  } else if (level >= g_level) {
    std::fprintf(stderr, "orbo %s: %s\n", Prefix(level), line.c_str());
  }
}

}  // namespace orbo
