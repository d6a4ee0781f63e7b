// A temporary file that is removed when the guard goes, on every way out.
#pragma once

#include <unistd.h>

#include <filesystem>
#include <string_view>
#include <system_error>

#include "base/file_util.h"

namespace orbo {

class TempFile {
 public:
  // Creates an empty file beside near (same folder, hidden name). valid()
  // tells whether that worked.
  explicit TempFile(const std::filesystem::path& near) {
    fd_ = CreateTempBeside(near, &path_);
    if (fd_ < 0) path_.clear();
  }
  ~TempFile() {
    CloseFd();
    if (!path_.empty()) ::unlink(path_.c_str());
  }
  TempFile(const TempFile&) = delete;
  TempFile& operator=(const TempFile&) = delete;

  bool valid() const { return !path_.empty(); }
  const std::filesystem::path& path() const { return path_; }
  // The descriptor the file was created with; -1 once closed.
  int fd() const { return fd_; }
  // Closes the descriptor (the file stays until the guard goes). False
  // when the close reported a write error.
  bool CloseFd() {
    if (fd_ < 0) return true;
    const int rc = ::close(fd_);
    fd_ = -1;
    return rc == 0;
  }

 private:
  std::filesystem::path path_;
  int fd_ = -1;
};

}  // namespace orbo
