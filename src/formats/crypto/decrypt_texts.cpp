#include <openssl/crypto.h>

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

}  // namespace orbo
