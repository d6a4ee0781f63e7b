// Developer diagnostics. They go to stderr and never to the
// page. Debug lines are off unless enabled (orbo --verbose).
#pragma once

#include <string>

namespace orbo {

enum class LogLevel { kDebug = 0, kInfo = 1, kWarning = 2, kError = 3 };

void SetLogLevel(LogLevel level);

void Log(LogLevel level, const char* fmt, ...) __attribute__((format(printf, 2, 3)));

#define ORBO_LOG_DEBUG(...) ::orbo::Log(::orbo::LogLevel::kDebug, __VA_ARGS__)
#define ORBO_LOG_INFO(...) ::orbo::Log(::orbo::LogLevel::kInfo, __VA_ARGS__)
#define ORBO_LOG_WARN(...) ::orbo::Log(::orbo::LogLevel::kWarning, __VA_ARGS__)
#define ORBO_LOG_ERROR(...) ::orbo::Log(::orbo::LogLevel::kError, __VA_ARGS__)

}  // namespace orbo
