#include "platform/private_dir.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <system_error>

namespace orbo {

bool EnsurePrivateDir(const std::filesystem::path& dir, std::string* error) {
  std::error_code ec;
  if (dir.has_parent_path()) std::filesystem::create_directories(dir.parent_path(), ec);
  if (::mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST) {
    *error = dir.string() + ": cannot be made: " + std::strerror(errno);
    return false;
  }
  struct stat st {};
  if (::lstat(dir.c_str(), &st) != 0) {
    *error = dir.string() + ": " + std::strerror(errno);
    return false;
  }
  if (S_ISLNK(st.st_mode)) {
    *error = dir.string() + ": is a symbolic link, not a folder of this user";
    return false;
  }
  if (!S_ISDIR(st.st_mode)) {
    *error = dir.string() + ": is not a folder";
    return false;
  }
  if (st.st_uid != ::geteuid()) {
    *error = dir.string() + ": belongs to another user (uid " + std::to_string(st.st_uid) + ")";
    return false;
  }
  if ((st.st_mode & (S_IWGRP | S_IWOTH)) != 0) {
    char mode[8];
    std::snprintf(mode, sizeof mode, "%03o", static_cast<unsigned>(st.st_mode & 0777));
    *error = dir.string() + ": others may write to it (mode " + mode + ")";
    return false;
  }
  return true;
}

std::filesystem::path UserCacheDir() {
  const char* cache = std::getenv("XDG_CACHE_HOME");
  if (cache != nullptr && cache[0] == '/') return std::filesystem::path(cache) / "orbo";
  const char* home = std::getenv("HOME");
  if (home != nullptr && home[0] == '/') return std::filesystem::path(home) / ".cache" / "orbo";
  return {};
}

}  // namespace orbo
