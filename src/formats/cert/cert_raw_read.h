// The first step of loading a package: its head, its trailing digest and its
// still encrypted payload, read with bounded memory.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string_view>

#include "formats/cert/cert_format.h"

namespace orbo {

struct CertRawPackage {
  std::array<uint8_t, kCertHeadSize> head{};
  std::array<uint8_t, kCertDigestSize> digest{};
  // The encrypted payload, P = file size - 304 bytes. Held without the
  // zero fill a string would cost, since every byte is read over anyway.
  std::unique_ptr<char[]> payload;
  size_t payloadSize = 0;
  std::string_view Payload() const { return {payload.get(), payloadSize}; }
  void Release() {
    payload.reset();
    payloadSize = 0;
  }
};

// Reads path into *raw. 0; -1 the file cannot be opened; -2 the head cannot
// be read; -3 the trailing digest cannot be read; -4 no memory for the
// payload: the file is shorter than 304 bytes or its payload exceeds
// kCertMaxPayloadSize (refused before reserving it); -5 the payload read
// ended early. On failure *raw holds no payload.
int ReadRawPackage(const std::filesystem::path& path, CertRawPackage* raw);

}  // namespace orbo
