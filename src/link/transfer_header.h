// The 44-byte header that precedes a file's bytes in both directions:
// u32 header length (44), 36-byte digest field (32 lowercase hex characters
// and zero bytes), u32 file size; integers little-endian.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace orbo {

inline constexpr size_t kTransferHeaderSize = 44;
inline constexpr size_t kDigestFieldSize = 36;
inline constexpr size_t kDigestHexSize = 32;

struct TransferHeader {
  uint32_t headerLength = kTransferHeaderSize;
  std::string digest;  // at most 32 characters, up to the field's first zero
  uint32_t size = 0;
};

// The header for a file: digest is cut to 32 characters; the rest of the
// digest field is zero.
std::array<uint8_t, kTransferHeaderSize> EncodeTransferHeader(std::string_view digest,
                                                              uint32_t size);

// Reads a header from 44 bytes. The digest is the field's text before its
// first zero byte, at most 32 characters.
TransferHeader DecodeTransferHeader(const uint8_t (&bytes)[kTransferHeaderSize]);

}  // namespace orbo
