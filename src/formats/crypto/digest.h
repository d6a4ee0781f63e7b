// Digests and checksums: MD5 of buffers and files, CRC-32. SHA-256 and
// SHA-384 are in sha.h.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>

namespace orbo {

// out receives 16 bytes. 0; -1 when out is missing; -2 when the digest cannot
// be computed. Missing or empty data gives the digest of the empty message.
int Md5Buffer(const void* data, size_t length, uint8_t* out);

// MD5 of a whole file, read in pieces of at most 4 MiB (the only memory it
// takes whatever the file size). 0; -1 out missing; -2 open failed (also for
// a folder); -3 seek to end failed; -4 size negative; -5 seek to start
// failed; -6 no buffer, a read error, or a read returned nothing before the
// end (the file shrank).
int Md5File(const std::filesystem::path& path, uint8_t* out);

// Md5File as 32 lowercase hexadecimal characters: 0, -1 when hex is missing,
// a negative Md5File result unchanged, or -127 when the hexadecimal step
// fails. *hex is left alone on failure.
int Md5FileHex(const std::filesystem::path& path, std::string* hex);

// ISO-HDLC CRC-32 (as in zlib and IEEE 802.3): 0 for zero bytes; a missing
// pointer gives 0xFFFFFFFF.
uint32_t Crc32Buffer(const void* data, size_t length);
// The CRC-32 of earlier bytes (crc) continued over data: Crc32Buffer of a
// whole equals Crc32Update over its pieces, starting from 0.
uint32_t Crc32Update(uint32_t crc, const void* data, size_t length);

}  // namespace orbo
