#include "vcom/port_paths.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

namespace orbo::vcom {
namespace {

bool EnsureOwnedDir(const std::filesystem::path& dir) {
  if (::mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST) return false;
  struct stat st {};
  if (::lstat(dir.c_str(), &st) != 0) return false;
  if (!S_ISDIR(st.st_mode) || st.st_uid != ::getuid()) return false;
  if ((st.st_mode & 0777) != 0700 && ::chmod(dir.c_str(), 0700) != 0) return false;
  return true;
}

}  // namespace

std::filesystem::path ServiceDir() {
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  if (runtime != nullptr && runtime[0] == '/') return std::filesystem::path(runtime) / "orbo";
  return std::filesystem::path("/tmp") / ("orbo-" + std::to_string(::getuid()));
}

std::filesystem::path PortsDir() {
  return ServiceDir() / "ports";
}

std::filesystem::path ServiceSocketPath() {
  return ServiceDir() / "portd.sock";
}

bool VirtualPortLinked(const std::string& comName) {
  if (comName.empty() || comName.find('/') != std::string::npos || comName[0] == '.') return false;
  std::error_code ec;
  return std::filesystem::exists(PortsDir() / comName, ec);  // follows the link
}

bool EnsurePrivateDirs() {
  return EnsureOwnedDir(ServiceDir()) && EnsureOwnedDir(PortsDir());
}

}  // namespace orbo::vcom
