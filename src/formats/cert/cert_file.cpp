#include "formats/cert/cert_file.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "base/logger.h"
#include "formats/cert/cert_raw_read.h"
#include "formats/crypto/cipher.h"
#include "formats/crypto/digest.h"
#include "formats/crypto/sha.h"

namespace orbo {

CertFile::CertFile(std::string default_domain, int key_mode)
    : default_domain_(std::move(default_domain)), key_mode_(key_mode), domain_(default_domain_) {}

void CertFile::Clear() {
  entries_.clear();
  plain_.clear();
  plain_.shrink_to_fit();
  head_.fill(0);
  // Each load starts from the default domain, so a package without a
  // domain never inherits the one of the package loaded before it.
  domain_ = default_domain_;
}

int CertFile::Load(const std::filesystem::path& path) {
  Clear();
  CertRawPackage raw;
  if (ReadRawPackage(path, &raw) != 0) {
    ORBO_LOG_WARN("get file data error.");
    return -1;
  }
  head_ = raw.head;
  expected_digest_ = raw.digest;

  const int16_t domain_length =
      static_cast<int16_t>(static_cast<uint16_t>(head_[kCertDomainLengthOffset]) |
                           static_cast<uint16_t>(head_[kCertDomainLengthOffset + 1] << 8));
  if (domain_length < 0 || domain_length > kCertMaxDomainLength) {
    ORBO_LOG_WARN("domain length %d out of range.", domain_length);
    return -7;
  }
  const std::string_view encrypted_domain(
      reinterpret_cast<const char*>(head_.data()) + kCertDomainOffset,
      static_cast<size_t>(domain_length));
  std::string decrypted_domain;
  // An empty or undecryptable domain is no failure: the default stays.
  if (DecryptTexts(encrypted_domain, CertPackageKeyText(), CertPackageIvText(),
                   &decrypted_domain) == 0)
    domain_ = std::move(decrypted_domain);

  const std::string key_text = CertPayloadKeyText(domain_, key_mode_);
  const int decrypted = DecryptTexts(raw.Payload(), key_text, CertPackageIvText(), &plain_);
  // The encrypted copy goes before the entries are walked: at most two
  // payload-sized buffers are alive at once.
  raw.Release();
  if (decrypted != 0) {
    ORBO_LOG_WARN("decrypt file data error.");
    plain_.clear();
    return -6;
  }

  std::array<uint8_t, kCertDigestSize> digest{};
  if (Sha256(plain_.data(), plain_.size(), digest.data()) != 0 || digest != expected_digest_) {
    ORBO_LOG_WARN("chaeck file data hash error.");
    std::string().swap(plain_);
    return -7;
  }
  return ReadEntries();
}

int CertFile::ReadEntries() {
  const std::string_view payload(plain_);
  uint64_t offset = 0;
  while (offset < payload.size()) {
    const uint64_t left = payload.size() - offset;
    if (left < kCertEntryInfoSize) {
      ORBO_LOG_WARN("entry info runs past the payload.");
      return -7;
    }
    CertEntryView entry;
    entry.nameLength = CertReadLe64(payload, offset);
    entry.fileSize = CertReadLe64(payload, offset + 8);
    entry.crc32 = CertReadLe64(payload, offset + 16);
    ORBO_LOG_DEBUG("fItem.fInfo.ullFileNameLen:%llu.",
                   static_cast<unsigned long long>(entry.nameLength));
    ORBO_LOG_DEBUG("fItem.fInfo.ullFileSize:%llu.",
                   static_cast<unsigned long long>(entry.fileSize));
    ORBO_LOG_DEBUG("fItem.fInfo.ulCrc32:%llu.", static_cast<unsigned long long>(entry.crc32));
    // Compared against what is left, so huge lengths cannot overflow.
    const uint64_t body_left = left - kCertEntryInfoSize;
    if (entry.nameLength > body_left || entry.fileSize > body_left - entry.nameLength) {
      ORBO_LOG_WARN("entry runs past the payload.");
      return -7;
    }
    const size_t name_at = static_cast<size_t>(offset) + kCertEntryInfoSize;
    entry.name = payload.substr(name_at, static_cast<size_t>(entry.nameLength));
    ORBO_LOG_DEBUG("load data 333333.");
    entry.data = payload.substr(name_at + entry.name.size(), static_cast<size_t>(entry.fileSize));
    if (uint64_t{Crc32Buffer(entry.data.data(), entry.data.size())} != entry.crc32) {
      ORBO_LOG_WARN("check file data crc32 error.");
      return -7;
    }
    entries_.push_back(entry);
    offset += kCertEntryInfoSize + entry.nameLength + entry.fileSize;
  }
  return 0;
}

int CertFile::GetFileData(std::string_view name, std::string* data) const {
  auto it = std::find_if(entries_.begin(), entries_.end(),
                         [name](const CertEntryView& e) { return e.name == name; });
  if (it == entries_.end()) return -1;
  if (data) data->assign(it->data);
  return 0;
}

}  // namespace orbo
