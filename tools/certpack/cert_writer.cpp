#include "cert_writer.h"

#include <openssl/evp.h>

#include <array>
#include <climits>
#include <memory>

#include "formats/cert/cert_format.h"
#include "formats/crypto/cipher.h"
#include "formats/crypto/digest.h"
#include "formats/crypto/sha.h"

namespace orbo::certpack {
namespace {

struct CipherCtxFree {
  void operator()(EVP_CIPHER_CTX* ctx) const { EVP_CIPHER_CTX_free(ctx); }
};

}  // namespace

bool EncryptTexts(const std::string& plain, const std::string& key_text, const std::string& iv_text,
                  std::string* out) {
  DerivedKeyIv key_iv{};
  if (DeriveKeyIv(key_text, iv_text, &key_iv) != 0) return false;
  if (plain.size() > static_cast<size_t>(INT_MAX) - 16) return false;
  std::unique_ptr<EVP_CIPHER_CTX, CipherCtxFree> ctx(EVP_CIPHER_CTX_new());
  if (!ctx || EVP_CipherInit_ex(ctx.get(), EVP_aes_256_cfb128(), nullptr, key_iv.data(),
                                key_iv.data() + kAesKeySize, 1) != 1)
    return false;
  std::string cipher(plain.size() + 16, '\0');
  auto* bytes = reinterpret_cast<unsigned char*>(cipher.data());
  int n = 0, tail = 0;
  if (EVP_CipherUpdate(ctx.get(), bytes, &n, reinterpret_cast<const unsigned char*>(plain.data()),
                       static_cast<int>(plain.size())) != 1 ||
      EVP_CipherFinal(ctx.get(), bytes + n, &tail) != 1)
    return false;
  cipher.resize(static_cast<size_t>(n + tail));
  *out = std::move(cipher);
  return true;
}

std::string BuildPackage(const std::string& domain, const std::string& key_domain, int key_mode,
                         const std::vector<PackEntry>& entries) {
  if (domain.size() > static_cast<size_t>(kCertMaxDomainLength)) return {};
  std::string plain;
  for (const PackEntry& e : entries) {
    CertAppendLe64(&plain, e.name.size());
    CertAppendLe64(&plain, e.data.size());
    CertAppendLe64(&plain, Crc32Buffer(e.data.data(), e.data.size()));
    plain += e.name;
    plain += e.data;
  }

  std::string head(kCertHeadSize, '\0');
  head.replace(0, 8, "ORBOCERT");
  std::string encrypted_domain;
  if (!domain.empty() &&
      !EncryptTexts(domain, CertPackageKeyText(), CertPackageIvText(), &encrypted_domain))
    return {};
  head[kCertDomainLengthOffset] = static_cast<char>(encrypted_domain.size() & 0xFF);
  head[kCertDomainLengthOffset + 1] = static_cast<char>(encrypted_domain.size() >> 8);
  head.replace(kCertDomainOffset, encrypted_domain.size(), encrypted_domain);

  std::array<uint8_t, kCertDigestSize> digest{};
  if (Sha256(plain.data(), plain.size(), digest.data()) != 0) return {};
  std::string encrypted_payload;
  const std::string key_text = CertPayloadKeyText(domain.empty() ? key_domain : domain, key_mode);
  if (!plain.empty() && !EncryptTexts(plain, key_text, CertPackageIvText(), &encrypted_payload))
    return {};
  std::string package = head + encrypted_payload;
  package.append(reinterpret_cast<const char*>(digest.data()), digest.size());
  return package;
}

}  // namespace orbo::certpack
