#include "formats/crypto/rc4.h"

#include <algorithm>
#include <array>
#include <utility>

namespace orbo {
namespace {

// RC4 state: the permutation and the two indices.
class Rc4Stream {
 public:
  // Key-scheduling; key must not be empty.
  explicit Rc4Stream(std::string_view key) {
    for (size_t n = 0; n < s_.size(); ++n) s_[n] = static_cast<uint8_t>(n);
    uint8_t j = 0;
    for (size_t n = 0; n < s_.size(); ++n) {
      j = static_cast<uint8_t>(j + s_[n] + static_cast<uint8_t>(key[n % key.size()]));
      std::swap(s_[n], s_[j]);
    }
  }

  // XORs the next length keystream bytes into data.
  void Xor(uint8_t* data, size_t length) {
    for (size_t n = 0; n < length; ++n) {
      i_ = static_cast<uint8_t>(i_ + 1);
      j_ = static_cast<uint8_t>(j_ + s_[i_]);
      std::swap(s_[i_], s_[j_]);
      data[n] ^= s_[static_cast<uint8_t>(s_[i_] + s_[j_])];
    }
  }

 private:
  std::array<uint8_t, 256> s_;
  uint8_t i_ = 0;
  uint8_t j_ = 0;
};

}  // namespace

int Rc4Xor(std::string_view key, uint8_t* data, size_t length) {
  if (key.empty() || (data == nullptr && length != 0)) return -1;
  Rc4Stream(key).Xor(data, length);
  return 0;
}

int Rc4CryptBlocks(std::string_view key, uint8_t* data, size_t length) {
  if (key.empty() || (data == nullptr && length != 0)) return -1;
  if (length == 0) return 0;
  // Every block uses the same keystream, so it is made once.
  std::array<uint8_t, kRc4BlockSize> keystream{};
  const size_t stream_length = std::min(length, kRc4BlockSize);
  Rc4Stream(key).Xor(keystream.data(), stream_length);
  for (size_t offset = 0; offset < length; offset += kRc4BlockSize) {
    const size_t block = std::min(kRc4BlockSize, length - offset);
    for (size_t n = 0; n < block; ++n) data[offset + n] ^= keystream[n];
  }
  return 0;
}

}  // namespace orbo
