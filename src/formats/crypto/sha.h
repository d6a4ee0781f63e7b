// FIPS 180-4 SHA-256 and SHA-384, incremental and one-shot.
#pragma once

#include <cstddef>
#include <cstdint>

#include "formats/crypto/evp_digest.h"

namespace orbo {

inline constexpr size_t kSha256Size = 32;
inline constexpr size_t kSha384Size = 48;

// Incremental SHA-256. A new object is ready for Update. Owns a libcrypto
// context, so it can be moved but not copied.
class Sha256Ctx {
 public:
  Sha256Ctx();
  // Starts a new message, dropping what was added. False when the digest
  // context cannot be set up.
  bool Init() { return digest_.Init(); }
  // Adds bytes (null only with length 0). False when the context failed.
  bool Update(const void* data, size_t length) { return digest_.Update(data, length); }
  // Writes the 32-byte digest to out and starts a new message. False when the
  // context failed or out is missing.
  bool Final(uint8_t* out) { return digest_.Final(out); }

 private:
  crypto_detail::EvpDigest digest_;
};

// Incremental SHA-384, shaped like Sha256Ctx; Final writes 48 bytes.
class Sha384Ctx {
 public:
  Sha384Ctx();
  bool Init() { return digest_.Init(); }
  bool Update(const void* data, size_t length) { return digest_.Update(data, length); }
  bool Final(uint8_t* out) { return digest_.Final(out); }

 private:
  crypto_detail::EvpDigest digest_;
};

// SHA-256 of one buffer into out (32 bytes). 0; -1 when out is missing;
// -2 when the digest cannot be computed. Missing or empty data gives the
// digest of the empty message.
int Sha256(const void* data, size_t length, uint8_t* out);

// SHA-384 of one buffer into out (48 bytes); *out_length (when given)
// receives 48. 0; -1 for missing or empty input or missing out; -2 when the
// digest cannot be computed.
int Sha384(const void* data, size_t length, uint8_t* out, size_t* out_length);

}  // namespace orbo
