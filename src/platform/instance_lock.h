// One running copy of the desktop tool per user: an exclusive advisory lock
// on a file in the user's runtime folder, held for the process's life. The
// kernel drops it when the process ends, however it ends, so a crash never
// leaves a stale lock behind.
#pragma once

#include <filesystem>
#include <string>

namespace orbo {

enum class InstanceLockResult {
  kAcquired,       // this process is the one running copy
  kHeldElsewhere,  // another process holds the lock
  kError,          // the lock file could not be opened or locked
};

class InstanceLock {
 public:
  InstanceLock() = default;
  ~InstanceLock() { Release(); }
  InstanceLock(const InstanceLock&) = delete;
  InstanceLock& operator=(const InstanceLock&) = delete;

  // Takes the lock on file (created 0600 if missing; a symbolic link is
  // refused). The descriptor is close-on-exec: programs the tool starts
  // (page processes, the tool itself after an update) do not inherit it.
  InstanceLockResult Acquire(const std::filesystem::path& file, std::string* error);
  // Lets go of the lock (before the tool starts itself again, for one).
  void Release();

 private:
  int fd_ = -1;
};

// The user's runtime folder: $XDG_RUNTIME_DIR when it names an absolute
// folder; otherwise orbo-runtime-UID under the temporary folder, created
// 0700 and used only when EnsurePrivateDir accepts it (a real folder, no
// link, owned by this user, not writable by others). Empty (and a clear
// *error) when neither can be had.
std::filesystem::path UserRuntimeDir(std::string* error);

}  // namespace orbo
