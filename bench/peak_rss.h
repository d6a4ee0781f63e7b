// Peak memory of the benchmark's own process, from /proc/self.
#pragma once

#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <string>

namespace bench {

// A "Vm...:" field of /proc/self/status (named without its colon) in KiB,
// or -1.
inline long StatusKib(const char* field) {
  std::ifstream status("/proc/self/status");
  std::string line;
  const std::string prefix = std::string(field) + ":";
  while (std::getline(status, line)) {
    if (line.rfind(prefix, 0) == 0) return std::strtol(line.c_str() + prefix.size(), nullptr, 10);
  }
  return -1;
}

// Resets the peak RSS to the current RSS so that a later VmHWM shows only
// what the measured step added. False when the kernel refuses.
inline bool ResetPeakRss() {
  const int fd = open("/proc/self/clear_refs", O_WRONLY | O_CLOEXEC);
  if (fd < 0) return false;
  const bool ok = write(fd, "5", 1) == 1;
  close(fd);
  return ok;
}

}  // namespace bench
