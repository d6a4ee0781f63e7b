#include "base/file_util.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <system_error>

namespace orbo {

int OpenRegularFile(const std::filesystem::path& path) {
  // Without blocking: opening a FIFO for reading would wait for a writer
  // for ever. Anything but a regular file is refused.
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
  if (fd < 0) return -1;
  struct stat st {};
  const int flags = ::fcntl(fd, F_GETFL);
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || flags < 0 ||
      ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
    const int err = S_ISREG(st.st_mode) ? errno : EINVAL;
    ::close(fd);
    errno = err;
    return -1;
  }
  return fd;
}

bool ReadFileBytes(const std::filesystem::path& path, std::string* out, size_t max_bytes) {
  out->clear();
  int fd = OpenRegularFile(path);
  if (fd < 0) return false;
  struct stat st {};
  if (::fstat(fd, &st) != 0 || static_cast<unsigned long long>(st.st_size) > max_bytes) {
    ::close(fd);
    return false;
  }
  out->reserve(static_cast<size_t>(st.st_size));
  char buf[65536];
  for (;;) {
    ssize_t n = ::read(fd, buf, sizeof(buf));
    if (n < 0) {
      if (errno == EINTR) continue;
      ::close(fd);
      out->clear();
      return false;
    }
    if (n == 0) break;
    if (out->size() + static_cast<size_t>(n) > max_bytes) {
      ::close(fd);
      out->clear();
      return false;
    }
    out->append(buf, static_cast<size_t>(n));
  }
  ::close(fd);
  return true;
}

bool WriteFdFully(int fd, const void* data, size_t length) {
  const auto* p = static_cast<const char*>(data);
  while (length > 0) {
    const ssize_t n = ::write(fd, p, length);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    p += n;
    length -= static_cast<size_t>(n);
  }
  return true;
}

int CreateTempBeside(const std::filesystem::path& path, std::filesystem::path* tmp_path) {
  std::filesystem::path dir = path.parent_path();
  if (dir.empty()) dir = ".";
  std::string templ = (dir / ("." + path.filename().string() + ".tmp.XXXXXX")).string();
  int fd = ::mkostemp(templ.data(), O_CLOEXEC);
  if (fd < 0) return -1;
  *tmp_path = templ;
  return fd;
}

void RemoveStaleTempFiles(const std::filesystem::path& dir, std::string_view target_name) {
  std::error_code ec;
  const std::filesystem::path folder = dir.empty() ? std::filesystem::path(".") : dir;
  for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end;
       it.increment(ec)) {
    const std::string name = it->path().filename().string();
    const size_t mark = name.rfind(".tmp.");
    // ".<name>.tmp." and the six characters mkostemp put in.
    if (name.size() < 2 || name[0] != '.' || mark == std::string::npos || mark < 2 ||
        name.size() - mark != 11) {
      continue;
    }
    if (!target_name.empty() && std::string_view(name).substr(1, mark - 1) != target_name) continue;
    std::error_code type_ec;
    if (it->is_regular_file(type_ec) && !it->is_symlink(type_ec))
      std::filesystem::remove(it->path(), type_ec);
  }
}

bool CommitTempFile(int fd, const std::filesystem::path& tmp, const std::filesystem::path& path) {
  bool ok = true;
  struct stat st {};
  if (::stat(path.c_str(), &st) == 0) {
    ::fchmod(fd, st.st_mode & 07777);
  } else {
    mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(fd, 0666 & ~mask);
  }
  if (::fsync(fd) != 0) ok = false;
  if (::close(fd) != 0) ok = false;
  if (ok && ::rename(tmp.c_str(), path.c_str()) != 0) ok = false;
  if (!ok) ::unlink(tmp.c_str());
  return ok;
}

std::filesystem::path WriteTarget(const std::filesystem::path& path) {
  std::filesystem::path target = path;
  std::error_code ec;
  // A bounded walk: a loop of links ends as the last link read.
  for (int hops = 0; hops < 40 && std::filesystem::is_symlink(target, ec); ++hops) {
    const std::filesystem::path next = std::filesystem::read_symlink(target, ec);
    if (ec) break;
    target = next.is_absolute() ? next : target.parent_path() / next;
  }
  return target;
}

bool WriteFileAtomic(const std::filesystem::path& link_or_path, std::string_view bytes) {
  // The rename replaces the link's target, not the link.
  const std::filesystem::path path = WriteTarget(link_or_path);
  std::filesystem::path tmp;
  int fd = CreateTempBeside(path, &tmp);
  if (fd < 0) return false;
  if (!WriteFdFully(fd, bytes.data(), bytes.size())) {
    ::close(fd);
    ::unlink(tmp.c_str());
    return false;
  }
  return CommitTempFile(fd, tmp, path);
}

std::filesystem::path ExecutableDir() {
  std::error_code ec;
  auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (ec) return {};
  return exe.parent_path();
}

}  // namespace orbo
