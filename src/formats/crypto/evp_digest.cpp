#include "formats/crypto/evp_digest.h"

#include <openssl/evp.h>

namespace orbo::crypto_detail {

void EvpMdCtxFree::operator()(EVP_MD_CTX* ctx) const {
  EVP_MD_CTX_free(ctx);
}

EvpDigest::EvpDigest(const EVP_MD* md) : md_(md) {
  Init();
}

bool EvpDigest::Init() {
  ready_ = false;
  if (!ctx_) ctx_.reset(EVP_MD_CTX_new());
  if (!ctx_ || md_ == nullptr) return false;
  ready_ = EVP_DigestInit_ex(ctx_.get(), md_, nullptr) == 1;
  return ready_;
}

bool EvpDigest::Update(const void* data, size_t length) {
  if (!ready_) return false;
  if (length == 0) return true;
  if (data == nullptr) return false;
  if (EVP_DigestUpdate(ctx_.get(), data, length) != 1) {
    ready_ = false;
    return false;
  }
  return true;
}

bool EvpDigest::Final(uint8_t* out) {
  if (!ready_ || out == nullptr) return false;
  const bool ok = EVP_DigestFinal_ex(ctx_.get(), out, nullptr) == 1;
  Init();
  return ok;
}

}  // namespace orbo::crypto_detail
