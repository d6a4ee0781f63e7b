#include "link/transfer_header.h"

#include <algorithm>
#include <cstring>

namespace orbo {
namespace {

void PutU32(uint8_t* out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out[i] = static_cast<uint8_t>(v >> (8 * i));
}

uint32_t GetU32(const uint8_t* in) {
  uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = (v << 8) | in[i];
  return v;
}

}  // namespace

std::array<uint8_t, kTransferHeaderSize> EncodeTransferHeader(std::string_view digest,
                                                              uint32_t size) {
  std::array<uint8_t, kTransferHeaderSize> out{};
  PutU32(out.data(), kTransferHeaderSize);
  const size_t n = std::min(digest.size(), kDigestHexSize);
  std::memcpy(out.data() + 4, digest.data(), n);
  PutU32(out.data() + 4 + kDigestFieldSize, size);
  return out;
}

TransferHeader DecodeTransferHeader(const uint8_t (&bytes)[kTransferHeaderSize]) {
  TransferHeader h;
  h.headerLength = GetU32(bytes);
  const char* field = reinterpret_cast<const char*>(bytes + 4);
  size_t n = 0;
  while (n < kDigestHexSize && field[n] != 0) ++n;
  h.digest.assign(field, n);
  h.size = GetU32(bytes + 4 + kDigestFieldSize);
  return h;
}

}  // namespace orbo
