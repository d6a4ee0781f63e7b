#include "formats/cert/cert_format.h"

#include <array>

#include "formats/crypto/digest.h"

namespace orbo {
namespace {

// Pieces joined at run time; zero padding up to total (when given) is
// appended, not stored.
std::string Joined(std::initializer_list<std::string_view> parts, size_t total = 0) {
  std::string out;
  for (std::string_view p : parts) out.append(p);
  if (total > out.size()) out.resize(total, '\0');
  return out;
}

}  // namespace

std::string CertPackageKeyText() {
  return Joined({"Orbo", "Cert", "K26"}, 32);
}

std::string CertPackageIvText() {
  return Joined({"Orbo", "Cert", "IV", "2612"}, 16);
}

std::string CertDefaultDomain() {
  return Joined({"cloud", ".", "example", ".", "com"});
}

std::string CertPayloadKeyText(std::string_view domain, int key_mode) {
  if (key_mode != 0) return CertPackageKeyText();
  std::array<uint8_t, 16> md5{};
  Md5Buffer(domain.data(), domain.size(), md5.data());
  std::string key(reinterpret_cast<const char*>(md5.data()), md5.size());
  key.resize(32, '\0');
  return key;
}

uint64_t CertReadLe64(std::string_view bytes, size_t offset) {
  uint64_t value = 0;
  for (size_t i = 0; i < 8; ++i)
    value |= uint64_t{static_cast<uint8_t>(bytes[offset + i])} << (8 * i);
  return value;
}

void CertAppendLe64(std::string* out, uint64_t value) {
  for (size_t i = 0; i < 8; ++i) out->push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

}  // namespace orbo
