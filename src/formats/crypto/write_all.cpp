#include "formats/crypto/write_all.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace orbo {
namespace {

constexpr int64_t kMaxPiece = 65536;

}  // namespace

int64_t WriteAll(const void* data, int64_t length, int fd) {
  if (data == nullptr || length <= 0 || fd < 0) return -1;
  const auto* bytes = static_cast<const uint8_t*>(data);
  int64_t done = 0;
  while (done < length) {
    const auto piece = static_cast<size_t>(std::min(kMaxPiece, length - done));
    const ssize_t written = write(fd, bytes + done, piece);
    if (written < 0 && errno == EINTR) continue;
    if (written < 0 || static_cast<size_t>(written) != piece) return -2;
    done += written;
  }
  return length;
}

}  // namespace orbo
