// Hexadecimal helpers for the crypto tests.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace orbo::test {

// Bytes of an even-length hexadecimal text (no separators).
inline std::string FromHex(std::string_view hex) {
  auto nibble = [](char c) -> int {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return c - 'A' + 10;
  };
  std::string bytes;
  for (size_t i = 0; i + 1 < hex.size(); i += 2)
    bytes.push_back(static_cast<char>(nibble(hex[i]) << 4 | nibble(hex[i + 1])));
  return bytes;
}

inline std::string ToHex(const void* data, size_t length) {
  static constexpr char kDigits[] = "0123456789abcdef";
  const auto* bytes = static_cast<const uint8_t*>(data);
  std::string hex;
  for (size_t i = 0; i < length; ++i) {
    hex.push_back(kDigits[bytes[i] >> 4]);
    hex.push_back(kDigits[bytes[i] & 0x0F]);
  }
  return hex;
}

inline std::string ToHex(std::string_view bytes) {
  return ToHex(bytes.data(), bytes.size());
}

}  // namespace orbo::test
