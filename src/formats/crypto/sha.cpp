#include "formats/crypto/sha.h"

#include <openssl/evp.h>

namespace orbo {

Sha256Ctx::Sha256Ctx() : digest_(EVP_sha256()) {}

Sha384Ctx::Sha384Ctx() : digest_(EVP_sha384()) {}

int Sha256(const void* data, size_t length, uint8_t* out) {
  if (out == nullptr) return -1;
  if (data == nullptr) length = 0;
  Sha256Ctx ctx;
  if (!ctx.Update(data, length) || !ctx.Final(out)) return -2;
  return 0;
}

int Sha384(const void* data, size_t length, uint8_t* out, size_t* out_length) {
  if (data == nullptr || length == 0 || out == nullptr) return -1;
  Sha384Ctx ctx;
  if (!ctx.Update(data, length) || !ctx.Final(out)) return -2;
  if (out_length != nullptr) *out_length = kSha384Size;
  return 0;
}

}  // namespace orbo
