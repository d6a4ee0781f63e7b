// The certificate package reader. The first byte chooses how the rest is
// used:
//   even: the rest is a package file as it is (head, payload, digest);
//   odd:  byte 1 is a domain length d, the next d bytes a domain and the
//         rest a plain payload, sealed here into a package whose digest is
//         right, so the fuzzer reaches the entry walk behind the digest.
// A sealed package must load exactly when an independent walk of its payload
// accepts it, hand out the same entries, and the entries written back to
// back must give the payload again.
#include <openssl/evp.h>

#include <cstring>
#include <memory>
#include <optional>
#include <vector>

#include "formats/cert/cert_file.h"
#include "formats/cert/cert_format.h"
#include "formats/crypto/cipher.h"
#include "formats/crypto/digest.h"
#include "formats/crypto/sha.h"
#include "fuzz_support.h"

namespace {

std::string Encrypt(std::string_view plain, std::string_view key_text) {
  orbo::DerivedKeyIv key_iv{};
  FUZZ_CHECK(orbo::DeriveKeyIv(key_text, orbo::CertPackageIvText(), &key_iv) == 0);
  std::unique_ptr<EVP_CIPHER_CTX, void (*)(EVP_CIPHER_CTX*)> ctx(EVP_CIPHER_CTX_new(),
                                                                 EVP_CIPHER_CTX_free);
  std::string out(plain.size() + 16, '\0');
  int n = 0, tail = 0;
  FUZZ_CHECK(EVP_EncryptInit_ex(ctx.get(), EVP_aes_256_cfb128(), nullptr, key_iv.data(),
                                key_iv.data() + orbo::kAesKeySize) == 1);
  FUZZ_CHECK(EVP_EncryptUpdate(ctx.get(), reinterpret_cast<unsigned char*>(out.data()), &n,
                               reinterpret_cast<const unsigned char*>(plain.data()),
                               static_cast<int>(plain.size())) == 1);
  FUZZ_CHECK(
      EVP_EncryptFinal_ex(ctx.get(), reinterpret_cast<unsigned char*>(out.data()) + n, &tail) == 1);
  out.resize(static_cast<size_t>(n + tail));
  return out;
}

struct Entry {
  std::string name, data;
};

// The payload layout walked without the reader's code; nullopt when an
// entry is cut short or its CRC does not match.
std::optional<std::vector<Entry>> Walk(std::string_view p) {
  std::vector<Entry> entries;
  while (!p.empty()) {
    if (p.size() < orbo::kCertEntryInfoSize) return std::nullopt;
    const uint64_t name_len = orbo::CertReadLe64(p, 0), size = orbo::CertReadLe64(p, 8);
    const uint64_t crc = orbo::CertReadLe64(p, 16);
    p.remove_prefix(orbo::kCertEntryInfoSize);
    if (name_len > p.size() || size > p.size() - name_len) return std::nullopt;
    Entry e{std::string(p.substr(0, name_len)), std::string(p.substr(name_len, size))};
    if (orbo::Crc32Buffer(e.data.data(), e.data.size()) != crc) return std::nullopt;
    p.remove_prefix(name_len + size);
    entries.push_back(std::move(e));
  }
  return entries;
}

void CheckSealed(std::string_view rest) {
  const size_t domain_len =
      rest.empty() ? 0
                   : std::min<size_t>(static_cast<unsigned char>(rest[0]) % 64, rest.size() - 1);
  const std::string_view domain = rest.empty() ? "" : rest.substr(1, domain_len);
  const std::string_view payload = rest.empty() ? "" : rest.substr(1 + domain_len);

  std::string head(orbo::kCertHeadSize, '\xa5');
  const int key_mode = domain.empty() ? 1 : 0;
  if (!domain.empty()) {
    const std::string sealed = Encrypt(domain, orbo::CertPackageKeyText());
    head[orbo::kCertDomainLengthOffset] = static_cast<char>(sealed.size());
    head[orbo::kCertDomainLengthOffset + 1] = 0;
    head.replace(orbo::kCertDomainOffset, sealed.size(), sealed);
  } else {
    head[orbo::kCertDomainLengthOffset] = head[orbo::kCertDomainLengthOffset + 1] = 0;
  }
  std::string file = head;
  file += Encrypt(payload, orbo::CertPayloadKeyText(domain, key_mode));
  uint8_t digest[orbo::kCertDigestSize];
  FUZZ_CHECK(orbo::Sha256(payload.data(), payload.size(), digest) == 0);
  file.append(reinterpret_cast<const char*>(digest), sizeof digest);

  const auto path = orbo::fuzz::ScratchDir() / "sealed.ce";
  orbo::fuzz::WriteFile(path, file);
  orbo::CertFile cert("default.example", key_mode);
  const int result = cert.Load(path);
  if (payload.empty()) {
    FUZZ_CHECK(result == -6);  // an empty payload never decrypts
    return;
  }
  if (!domain.empty()) FUZZ_CHECK(cert.domain() == domain);
  const auto expected = Walk(payload);
  FUZZ_CHECK((result == 0) == expected.has_value());
  if (result != 0) {
    FUZZ_CHECK(result == -7);
    return;
  }
  FUZZ_CHECK(cert.entries().size() == expected->size());
  std::string rebuilt;
  for (size_t i = 0; i < expected->size(); ++i) {
    const orbo::CertEntryView& e = cert.entries()[i];
    FUZZ_CHECK(e.name == (*expected)[i].name && e.data == (*expected)[i].data);
    orbo::CertAppendLe64(&rebuilt, e.nameLength);
    orbo::CertAppendLe64(&rebuilt, e.fileSize);
    orbo::CertAppendLe64(&rebuilt, e.crc32);
    rebuilt.append(e.name).append(e.data);
    std::string data;
    FUZZ_CHECK(cert.GetFileData(e.name, &data) == 0);
    // The first entry of that name is the one handed out.
    size_t first = 0;
    while ((*expected)[first].name != e.name) ++first;
    FUZZ_CHECK(data == (*expected)[first].data);
  }
  FUZZ_CHECK(rebuilt == payload);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const std::string_view rest = orbo::fuzz::AsText(data + 1, size - 1);
  if (data[0] & 1) {
    CheckSealed(rest);
    return 0;
  }
  const auto path = orbo::fuzz::ScratchDir() / "raw.ce";
  orbo::fuzz::WriteFile(path, rest);
  orbo::CertFile cert("default.example", data[0] & 2);
  const int result = cert.Load(path);
  FUZZ_CHECK(result == 0 || result == -1 || result == -6 || result == -7);
  if (rest.size() < orbo::kCertMinFileSize) FUZZ_CHECK(result == -1);
  size_t total = 0;
  for (const orbo::CertEntryView& e : cert.entries())
    total += orbo::kCertEntryInfoSize + e.name.size() + e.data.size();
  FUZZ_CHECK(total <=
             (rest.size() < orbo::kCertMinFileSize ? 0 : rest.size() - orbo::kCertMinFileSize));
  return 0;
}
