// Decryption of certificate package texts: key and IV derivation from two
// fixed texts, and AES-256 in CFB128 mode.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>

namespace orbo {

inline constexpr size_t kAesKeySize = 32;
inline constexpr size_t kAesIvSize = 16;
// Derived material: bytes 0..31 are the AES-256 key, bytes 32..47 the IV.
inline constexpr size_t kDerivedKeyIvSize = kAesKeySize + kAesIvSize;
using DerivedKeyIv = std::array<uint8_t, kDerivedKeyIvSize>;

// Derives 48 bytes from key text and IV text (both byte strings, zero bytes
// allowed): an HMAC-shaped construction over SHA-384 whose pad block is 64
// bytes (so not standard HMAC-SHA-384), with K = key text + IV text as its
// key and the key text alone as its message. 0; -1 empty key text; -2 empty
// concatenation; -3 hashing failure or out missing. *out is written only on
// success.
int DeriveKeyIv(std::string_view key_text, std::string_view iv_text, DerivedKeyIv* out);

// AES-256-CFB128 decryption of data; *plain receives exactly data.size()
// bytes. 0; -1 empty data; -2 when the cipher context or the output cannot be
// had, the cipher fails, or data is longer than INT_MAX bytes. *plain is
// written only on success.
int AesCfbDecrypt(std::string_view data, std::span<const uint8_t, kAesKeySize> key,
                  std::span<const uint8_t, kAesIvSize> iv, std::string* plain);

// Derives key and IV from the texts and decrypts data with them. 0 with the
// plaintext in *plain (same length as data); -1 when key text and IV text are
// both empty, or when no key can be derived (empty key text, or the
// derivation fails); -101 empty
// data; -102 when the cipher context or the output cannot be had (also a
// missing plain) or the cipher fails.
int DecryptTexts(std::string_view data, std::string_view key_text, std::string_view iv_text,
                 std::string* plain);

// DecryptTexts in steps, for inputs read piece by piece: the same key and
// IV from the texts, the same AES-256-CFB128 stream. Not copyable.
class CfbTextDecryptor {
 public:
  CfbTextDecryptor();
  ~CfbTextDecryptor();
  CfbTextDecryptor(const CfbTextDecryptor&) = delete;
  CfbTextDecryptor& operator=(const CfbTextDecryptor&) = delete;

  // Derives key and IV and starts the stream. False under DecryptTexts'
  // -1 and -102 conditions.
  bool Init(std::string_view key_text, std::string_view iv_text);
  // Decrypts length bytes (at most INT_MAX) of in into out (same length;
  // the two may be the same buffer). False when the cipher fails.
  bool Update(const uint8_t* in, size_t length, uint8_t* out);

 private:
  struct Ctx;
  std::unique_ptr<Ctx> ctx_;
};

}  // namespace orbo
