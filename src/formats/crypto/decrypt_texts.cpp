#include <openssl/crypto.h>
#include <openssl/evp.h>

#include <climits>

#include "formats/crypto/cipher.h"

namespace orbo {

int DecryptTexts(std::string_view data, std::string_view key_text, std::string_view iv_text,
                 std::string* plain) {
  if (key_text.empty() && iv_text.empty()) return -1;
  DerivedKeyIv material;
  // An empty key text derives nothing; decrypting with unset key bytes would
  // give arbitrary output, so that is refused.
  if (DeriveKeyIv(key_text, iv_text, &material) != 0) return -1;
  const std::span<const uint8_t> all(material);
  const int result =
      AesCfbDecrypt(data, all.first<kAesKeySize>(), all.subspan<kAesKeySize, kAesIvSize>(), plain);
  OPENSSL_cleanse(material.data(), material.size());
  return result < 0 ? result - 100 : 0;
}

struct CfbTextDecryptor::Ctx {
  EVP_CIPHER_CTX* evp = nullptr;
  ~Ctx() { EVP_CIPHER_CTX_free(evp); }
};

CfbTextDecryptor::CfbTextDecryptor() = default;
CfbTextDecryptor::~CfbTextDecryptor() = default;

bool CfbTextDecryptor::Init(std::string_view key_text, std::string_view iv_text) {
  ctx_.reset();
  if (key_text.empty() && iv_text.empty()) return false;
  DerivedKeyIv material;
  if (DeriveKeyIv(key_text, iv_text, &material) != 0) return false;
  auto ctx = std::make_unique<Ctx>();
  ctx->evp = EVP_CIPHER_CTX_new();
  const bool ok = ctx->evp != nullptr &&
                  EVP_CipherInit_ex(ctx->evp, EVP_aes_256_cfb128(), nullptr, material.data(),
                                    material.data() + kAesKeySize, 0) == 1;
  OPENSSL_cleanse(material.data(), material.size());
  if (!ok) return false;
  ctx_ = std::move(ctx);
  return true;
}

bool CfbTextDecryptor::Update(const uint8_t* in, size_t length, uint8_t* out) {
  if (!ctx_ || length > static_cast<size_t>(INT_MAX)) return false;
  if (length == 0) return true;
  int produced = 0;
  // CFB128 is a stream mode: every input byte gives one output byte at once.
  return EVP_CipherUpdate(ctx_->evp, out, &produced, in, static_cast<int>(length)) == 1 &&
         static_cast<size_t>(produced) == length;
}

}  // namespace orbo
