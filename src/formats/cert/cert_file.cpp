#include "formats/cert/cert_file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <utility>

#include "base/file_util.h"
#include "base/logger.h"
#include "base/unique_fd.h"
#include "formats/crypto/cipher.h"
#include "formats/crypto/digest.h"
#include "formats/crypto/sha.h"

namespace orbo {
namespace {

// The payload is read, decrypted and hashed this much at a time.
constexpr size_t kChunk = size_t{1} << 20;

bool ReadAt(int fd, uint8_t* out, size_t length, off_t at) {
  while (length > 0) {
    const ssize_t n = ::pread(fd, out, length, at);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    out += n;
    length -= static_cast<size_t>(n);
    at += n;
  }
  return true;
}

}  // namespace

// Walks the decrypted payload as it streams by: entry info (24 bytes),
// name, data; checks each entry's CRC and keeps what may be held.
class CertFile::EntryWalker {
 public:
  enum class Outcome { kOk, kCrc, kRunsPast };

  EntryWalker(CertFile* file, uint64_t payload_size) : file_(file), left_(payload_size) {}

  void Feed(const uint8_t* bytes, size_t length) {
    while (outcome_ == Outcome::kOk) {
      if (state_ == State::kInfo) {
        if (length == 0) return;
        const size_t take = std::min(length, kCertEntryInfoSize - info_got_);
        std::memcpy(info_ + info_got_, bytes, take);
        info_got_ += take;
        Advance(&bytes, &length, take);
        if (info_got_ < kCertEntryInfoSize) return;
        StartEntry();
        continue;
      }
      const size_t take = static_cast<size_t>(std::min<uint64_t>(length, need_));
      if (state_ == State::kName) {
        if (holdName_) name_.append(reinterpret_cast<const char*>(bytes), take);
      } else {
        crc_ = Crc32Update(crc_, bytes, take);
        if (holdData_) data_.append(reinterpret_cast<const char*>(bytes), take);
      }
      need_ -= take;
      Advance(&bytes, &length, take);
      if (need_ > 0) return;
      if (state_ == State::kName) {
        state_ = State::kData;
        need_ = entry_.fileSize;
      } else {
        FinishEntry();
      }
    }
  }

  // After the whole payload went by.
  Outcome Finish() {
    if (outcome_ == Outcome::kOk && (state_ != State::kInfo || info_got_ != 0)) {
      ORBO_LOG_WARN("entry info runs past the payload.");
      outcome_ = Outcome::kRunsPast;
    }
    return outcome_;
  }

 private:
  enum class State { kInfo, kName, kData };

  void Advance(const uint8_t** bytes, size_t* length, size_t by) {
    *bytes += by;
    *length -= by;
    left_ -= by;
  }

  void StartEntry() {
    info_got_ = 0;
    const std::string_view info(reinterpret_cast<const char*>(info_), kCertEntryInfoSize);
    entry_ = CertEntryView{};
    entry_.nameLength = CertReadLe64(info, 0);
    entry_.fileSize = CertReadLe64(info, 8);
    entry_.crc32 = CertReadLe64(info, 16);
    // Compared against what is left, so huge lengths cannot overflow.
    if (entry_.nameLength > left_ || entry_.fileSize > left_ - entry_.nameLength) {
      ORBO_LOG_WARN("entry runs past the payload.");
      outcome_ = Outcome::kRunsPast;
      return;
    }
    holdName_ = entry_.nameLength <= file_->max_held_entry_;
    holdData_ = holdName_ && entry_.fileSize <= file_->max_held_entry_;
    name_.clear();
    data_.clear();
    if (holdName_) name_.reserve(static_cast<size_t>(entry_.nameLength));
    if (holdData_) data_.reserve(static_cast<size_t>(entry_.fileSize));
    crc_ = 0;
    state_ = State::kName;
    need_ = entry_.nameLength;
  }

  void FinishEntry() {
    state_ = State::kInfo;
    if (uint64_t{crc_} != entry_.crc32) {
      ORBO_LOG_WARN("check file data crc32 error.");
      outcome_ = Outcome::kCrc;
      return;
    }
    entry_.held = holdData_;
    if (holdName_) entry_.name = file_->held_.emplace_back(std::move(name_));
    if (holdData_) entry_.data = file_->held_.emplace_back(std::move(data_));
    file_->entries_.push_back(entry_);
    name_ = std::string();
    data_ = std::string();
  }

  CertFile* const file_;
  uint64_t left_;  // payload bytes not yet fed
  Outcome outcome_ = Outcome::kOk;
  State state_ = State::kInfo;
  uint8_t info_[kCertEntryInfoSize] = {};
  size_t info_got_ = 0;
  CertEntryView entry_;
  uint64_t need_ = 0;      // bytes of the name or data still to come
  bool holdName_ = false;  // names longer than the CertFile holds match nothing
  bool holdData_ = false;
  uint32_t crc_ = 0;
  std::string name_, data_;
};

CertFile::CertFile(std::string default_domain, int key_mode, size_t max_held_entry)
    : default_domain_(std::move(default_domain)),
      key_mode_(key_mode),
      max_held_entry_(max_held_entry),
      domain_(default_domain_) {}

void CertFile::Clear() {
  entries_.clear();
  held_.clear();
  head_.fill(0);
  // Each load starts from the default domain, so a package without a
  // domain never inherits the one of the package loaded before it.
  domain_ = default_domain_;
}

int CertFile::Load(const std::filesystem::path& path) {
  Clear();
  // A FIFO, device or folder is refused at once rather than waited on.
  UniqueFd fd(OpenRegularFile(path));
  struct stat st {};
  if (!fd.valid() || ::fstat(fd.get(), &st) != 0) {
    ORBO_LOG_WARN("open file failed.");
    return -1;
  }
  const uint64_t size = static_cast<uint64_t>(st.st_size);
  if (size < kCertMinFileSize || size - kCertMinFileSize > kCertMaxPayloadSize) {
    ORBO_LOG_WARN("file size %llu outside the package sizes.",
                  static_cast<unsigned long long>(size));
    return -1;
  }
  const uint64_t payload_size = size - kCertMinFileSize;
  if (!ReadAt(fd.get(), head_.data(), kCertHeadSize, 0) ||
      !ReadAt(fd.get(), expected_digest_.data(), kCertDigestSize,
              static_cast<off_t>(size - kCertDigestSize))) {
    ORBO_LOG_WARN("read file head error.");
    head_.fill(0);
    return -1;
  }

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

  CfbTextDecryptor cipher;
  if (payload_size == 0 ||
      !cipher.Init(CertPayloadKeyText(domain_, key_mode_), CertPackageIvText())) {
    ORBO_LOG_WARN("decrypt file data error.");
    return -6;
  }
  Sha256Ctx sha;
  EntryWalker walker(this, payload_size);
  std::string chunk(static_cast<size_t>(std::min<uint64_t>(kChunk, payload_size)), '\0');
  auto* bytes = reinterpret_cast<uint8_t*>(chunk.data());
  for (uint64_t done = 0; done < payload_size;) {
    const size_t n = static_cast<size_t>(std::min<uint64_t>(chunk.size(), payload_size - done));
    if (!ReadAt(fd.get(), bytes, n, static_cast<off_t>(kCertHeadSize + done))) {
      ORBO_LOG_WARN("read file data error.");
      Clear();
      return -1;
    }
    if (!cipher.Update(bytes, n, bytes)) {
      ORBO_LOG_WARN("decrypt file data error.");
      Clear();
      return -6;
    }
    if (!sha.Update(bytes, n)) {
      Clear();
      return -7;
    }
    walker.Feed(bytes, n);
    done += n;
  }
  std::array<uint8_t, kCertDigestSize> digest{};
  if (!sha.Final(digest.data()) || digest != expected_digest_) {
    ORBO_LOG_WARN("chaeck file data hash error.");
    entries_.clear();
    held_.clear();
    return -7;
  }
  switch (walker.Finish()) {
    case EntryWalker::Outcome::kOk:
      return 0;
    case EntryWalker::Outcome::kCrc:
      return -7;  // the entries before the bad one stay
    case EntryWalker::Outcome::kRunsPast:
      entries_.clear();
      held_.clear();
      return -7;
  }
  return -7;
}

int CertFile::GetFileData(std::string_view name, std::string* data, size_t max_size) const {
  auto it = std::find_if(entries_.begin(), entries_.end(), [name](const CertEntryView& e) {
    return e.nameLength == name.size() && e.name == name;
  });
  if (it == entries_.end()) return -1;
  if (!it->held || it->fileSize > max_size) return -2;
  if (data) data->assign(it->data);
  return 0;
}

}  // namespace orbo
