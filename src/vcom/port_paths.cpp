#include "vcom/port_paths.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "base/logger.h"
#include "platform/private_dir.h"

namespace orbo::vcom {
namespace {

bool EnsureOwnedDir(const std::filesystem::path& dir) {
  std::string error;
  if (EnsurePrivateDir(dir, &error)) return true;
  ORBO_LOG_ERROR("port service folder %s", error.c_str());
  return false;
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
