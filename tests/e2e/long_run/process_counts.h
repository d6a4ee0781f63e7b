// A process's open descriptors, threads and resident memory, read from
// /proc, for the long runs that compare them at start and end.
#pragma once

#include <sys/types.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace orbo::test {

struct ProcessCounts {
  int fds = -1;
  int threads = -1;
  long rssKb = -1;
};

inline ProcessCounts ReadCounts(pid_t pid) {
  ProcessCounts c;
  const std::filesystem::path proc = "/proc/" + std::to_string(pid);
  std::error_code ec;
  c.fds = 0;
  for (auto it = std::filesystem::directory_iterator(proc / "fd", ec);
       !ec && it != std::filesystem::directory_iterator(); it.increment(ec)) {
    ++c.fds;
  }
  std::ifstream status(proc / "status");
  for (std::string line; std::getline(status, line);) {
    if (line.rfind("Threads:", 0) == 0) c.threads = std::stoi(line.substr(8));
    if (line.rfind("VmRSS:", 0) == 0) c.rssKb = std::stol(line.substr(6));
  }
  return c;
}

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
// The sanitizers hold freed memory back for a while.
inline constexpr long kRssAllowanceKb = 64 * 1024;
#else
inline constexpr long kRssAllowanceKb = 4 * 1024;
#endif

}  // namespace orbo::test
