// The MD5 of bytes as 32 lowercase hexadecimal characters, the form the
// transfer header and the update catalogue carry. Header only: its users
// link the crypto library.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "formats/crypto/digest.h"

namespace orbo::test {

inline std::string Md5Hex(std::string_view bytes) {
  uint8_t d[16];
  Md5Buffer(bytes.data(), bytes.size(), d);
  static const char* digits = "0123456789abcdef";
  std::string hex;
  for (uint8_t b : d) {
    hex.push_back(digits[b >> 4]);
    hex.push_back(digits[b & 15]);
  }
  return hex;
}

}  // namespace orbo::test
