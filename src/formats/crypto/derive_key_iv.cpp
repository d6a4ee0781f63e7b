#include <openssl/crypto.h>

#include <string>

#include "formats/crypto/cipher.h"
#include "formats/crypto/sha.h"

namespace orbo {
namespace {

// The construction pads its key to 64 bytes, not to SHA-384's 128-byte block.
constexpr size_t kPadBlock = 64;

}  // namespace

int DeriveKeyIv(std::string_view key_text, std::string_view iv_text, DerivedKeyIv* out) {
  if (key_text.empty()) return -1;
  std::string k;
  k.reserve(key_text.size() + iv_text.size());
  k.append(key_text).append(iv_text);
  if (k.empty()) return -2;
  if (out == nullptr) return -3;

  uint8_t pad[kPadBlock] = {};
  if (k.size() > kPadBlock) {
    size_t hashed = 0;
    if (Sha384(k.data(), k.size(), pad, &hashed) != 0) return -3;
  } else {
    k.copy(reinterpret_cast<char*>(pad), k.size());
  }
  OPENSSL_cleanse(k.data(), k.size());

  uint8_t ipad[kPadBlock];
  uint8_t opad[kPadBlock];
  for (size_t i = 0; i < kPadBlock; ++i) {
    ipad[i] = pad[i] ^ 0x36;
    opad[i] = pad[i] ^ 0x5C;
  }
  uint8_t inner[kSha384Size];
  DerivedKeyIv result;
  Sha384Ctx ctx;
  bool ok = ctx.Update(ipad, sizeof ipad) && ctx.Update(key_text.data(), key_text.size()) &&
            ctx.Final(inner);
  ok = ok && ctx.Update(opad, sizeof opad) && ctx.Update(inner, sizeof inner) &&
       ctx.Final(result.data());
  if (ok) *out = result;
  OPENSSL_cleanse(pad, sizeof pad);
  OPENSSL_cleanse(ipad, sizeof ipad);
  OPENSSL_cleanse(opad, sizeof opad);
  OPENSSL_cleanse(inner, sizeof inner);
  OPENSSL_cleanse(result.data(), result.size());
  return ok ? 0 : -3;
}

}  // namespace orbo
