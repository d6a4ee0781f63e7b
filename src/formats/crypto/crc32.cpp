#include <zlib.h>

#include "formats/crypto/digest.h"

namespace orbo {

uint32_t Crc32Buffer(const void* data, size_t length) {
  if (data == nullptr) return 0xFFFFFFFFu;
  // zlib's crc32 is the ISO-HDLC CRC (reflected 0xEDB88320, initial and final
  // complement applied inside) and is table-driven several bytes at a time.
  return static_cast<uint32_t>(crc32_z(0L, static_cast<const Bytef*>(data), length));
}

uint32_t Crc32Update(uint32_t crc, const void* data, size_t length) {
  if (length == 0) return crc;
  return static_cast<uint32_t>(crc32_z(crc, static_cast<const Bytef*>(data), length));
}

}  // namespace orbo
