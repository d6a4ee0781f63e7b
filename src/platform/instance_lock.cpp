#include "platform/instance_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "platform/private_dir.h"

namespace orbo {

InstanceLockResult InstanceLock::Acquire(const std::filesystem::path& file, std::string* error) {
  Release();
  const int fd = ::open(file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (fd < 0) {
    *error = file.string() + ": " + std::strerror(errno);
    return InstanceLockResult::kError;
  }
  int rc;
  do {
    rc = ::flock(fd, LOCK_EX | LOCK_NB);
  } while (rc != 0 && errno == EINTR);
  if (rc != 0) {
    const int err = errno;
    ::close(fd);
    if (err == EWOULDBLOCK) return InstanceLockResult::kHeldElsewhere;
    *error = file.string() + ": " + std::strerror(err);
    return InstanceLockResult::kError;
  }
  fd_ = fd;
  return InstanceLockResult::kAcquired;
}

void InstanceLock::Release() {
  if (fd_ < 0) return;
  ::close(fd_);  // closing the only descriptor drops the lock
  fd_ = -1;
}

std::filesystem::path UserRuntimeDir(std::string* error) {
  const char* xdg = std::getenv("XDG_RUNTIME_DIR");
  std::error_code ec;
  if (xdg != nullptr && xdg[0] == '/' && std::filesystem::is_directory(xdg, ec)) return xdg;

  const char* tmp = std::getenv("TMPDIR");
  const std::filesystem::path base = (tmp != nullptr && tmp[0] == '/') ? tmp : "/tmp";
  const std::filesystem::path dir = base / ("orbo-runtime-" + std::to_string(::getuid()));
  // In a shared temporary folder another user may have made the name
  // first; a folder that is not plainly ours is not used.
  if (!EnsurePrivateDir(dir, error)) return {};
  return dir;
}

}  // namespace orbo
