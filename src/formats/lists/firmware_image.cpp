#include "formats/lists/firmware_image.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <memory>
#include <new>

#include "base/file_util.h"
#include "base/unique_fd.h"
#include "formats/crypto/rc4.h"

namespace orbo {
namespace {

// Pieces read at once: a multiple of the cipher block, so every piece starts
// a block.
constexpr size_t kPieceSize = 256 * kRc4BlockSize;
static_assert(kPieceSize % kRc4BlockSize == 0);

// Reads until buffer is full or the file ends; -1 on an error.
ssize_t ReadFull(int fd, uint8_t* buffer, size_t length) {
  size_t got = 0;
  while (got < length) {
    ssize_t n = ::read(fd, buffer + got, length - got);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return -1;
    if (n == 0) break;
    got += static_cast<size_t>(n);
  }
  return static_cast<ssize_t>(got);
}

}  // namespace

int CryptImageToFd(const std::filesystem::path& in, int out_fd) {
  UniqueFd src(::open(in.c_str(), O_RDONLY | O_CLOEXEC));
  if (src.get() < 0) return -1;
  struct stat st {};
  if (::fstat(src.get(), &st) != 0 || !S_ISREG(st.st_mode)) return -1;
  std::unique_ptr<uint8_t[]> piece(new (std::nothrow) uint8_t[kPieceSize]);
  if (!piece) return -2;
  for (;;) {
    const ssize_t n = ReadFull(src.get(), piece.get(), kPieceSize);
    if (n < 0) return -2;
    if (n == 0) break;
    Rc4CryptBlocks(kImageKey, piece.get(), static_cast<size_t>(n));
    if (!WriteFdFully(out_fd, piece.get(), static_cast<size_t>(n))) return -3;
    if (static_cast<size_t>(n) < kPieceSize) break;
  }
  return 0;
}

int CryptImageFile(const std::filesystem::path& in, const std::filesystem::path& out) {
  std::filesystem::path tmp;
  UniqueFd dst(CreateTempBeside(out, &tmp));
  if (dst.get() < 0) {
    // Tell a missing source apart from an unwritable target.
    UniqueFd probe(::open(in.c_str(), O_RDONLY | O_CLOEXEC));
    return probe.get() < 0 ? -1 : -3;
  }
  const int result = CryptImageToFd(in, dst.get());
  if (result != 0) {
    ::unlink(tmp.c_str());
    return result;
  }
  return CommitTempFile(dst.Release(), tmp, out) ? 0 : -3;
}

std::string CryptImageFileError(int result, const std::filesystem::path& in,
                                const std::filesystem::path& out) {
  switch (result) {
    case -1:
      return "cannot open " + in.string();
    case -2:
      return "cannot read " + in.string();
    default:
      return "cannot write " + out.string();
  }
}

}  // namespace orbo
