// MD5 of buffers and files.
#include <fcntl.h>
#include <openssl/evp.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <memory>
#include <new>

#include "base/unique_fd.h"
#include "formats/crypto/digest.h"
#include "formats/crypto/evp_digest.h"

namespace orbo {
namespace {

constexpr size_t kMd5Size = 16;
// Largest piece read from a file at once; bounds Md5File's memory.
constexpr off_t kMd5FileBuffer = 4 * 1024 * 1024;


}  // namespace

int Md5Buffer(const void* data, size_t length, uint8_t* out) {
  if (out == nullptr) return -1;
  if (data == nullptr) length = 0;
  crypto_detail::EvpDigest md5(EVP_md5());
  if (!md5.Update(data, length) || !md5.Final(out)) return -2;
  return 0;
}

int Md5File(const std::filesystem::path& path, uint8_t* out) {
  if (out == nullptr) return -1;
  UniqueFd file(open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (file.get() < 0) return -2;
  // A folder opens on this system but is no file to hash.
  struct stat st;
  if (fstat(file.get(), &st) != 0 || S_ISDIR(st.st_mode)) return -2;

  const off_t size = lseek(file.get(), 0, SEEK_END);
  if (size == static_cast<off_t>(-1)) return -3;
  if (size < 0) return -4;
  if (lseek(file.get(), 0, SEEK_SET) != 0) return -5;

  crypto_detail::EvpDigest md5(EVP_md5());
  if (size == 0) return md5.Final(out) ? 0 : -6;

  const size_t buffer_size = static_cast<size_t>(std::min(size, kMd5FileBuffer));
  std::unique_ptr<uint8_t[]> buffer(new (std::nothrow) uint8_t[buffer_size]);
  if (!buffer) return -6;
  posix_fadvise(file.get(), 0, 0, POSIX_FADV_SEQUENTIAL);

  off_t done = 0;
  while (done < size) {
    const size_t want = static_cast<size_t>(std::min<off_t>(size - done, buffer_size));
    const ssize_t got = read(file.get(), buffer.get(), want);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return -6;
    if (!md5.Update(buffer.get(), static_cast<size_t>(got))) return -6;
    done += got;
  }
  return md5.Final(out) ? 0 : -6;
}

int Md5FileHex(const std::filesystem::path& path, std::string* hex) {
  if (hex == nullptr) return -1;
  uint8_t digest[kMd5Size];
  const int result = Md5File(path, digest);
  if (result < 0) return result;
  static constexpr char kDigits[] = "0123456789abcdef";
  try {
    std::string text;
    text.reserve(2 * kMd5Size);
    for (uint8_t byte : digest) {
      text.push_back(kDigits[byte >> 4]);
      text.push_back(kDigits[byte & 0x0F]);
    }
    *hex = std::move(text);
  } catch (const std::bad_alloc&) {
    return -127;
  }
  return 0;
}

}  // namespace orbo
