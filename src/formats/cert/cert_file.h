// CertFile: reads a certificate package (layout in cert_format.h), decrypts
// it, verifies the payload digest and each entry's CRC-32 and hands out the
// entries by name. It only reads packages. The payload streams through in
// pieces: memory holds the entries it keeps, not the file.
#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "formats/cert/cert_format.h"

namespace orbo {

// One verified entry. name and data point into the CertFile that handed it
// out and stay valid until its next Load or its end.
struct CertEntryView {
  uint64_t nameLength = 0;  // ullFileNameLen
  uint64_t fileSize = 0;    // ullFileSize
  uint64_t crc32 = 0;       // ulCrc32
  std::string_view name;
  std::string_view data;  // empty when the entry is not held
  bool held = true;       // false: larger than the CertFile keeps (still verified)
};

class CertFile {
 public:
  // key_mode 0: the payload key text comes from the domain; any other value:
  // it is the package key text itself. Entries whose name or data is larger
  // than max_held_entry are verified and listed but not kept.
  CertFile(std::string default_domain, int key_mode, size_t max_held_entry = kCertMaxPayloadSize);
  CertFile(const CertFile&) = delete;
  CertFile& operator=(const CertFile&) = delete;

  // Loads and verifies the package at path, first discarding the entries
  // of an earlier call. 0 loaded and verified; -1 the file could not be read
  // (missing, not a regular file, shorter than 304 bytes, payload over the
  // size limit); -6 the payload did not decrypt (an empty payload never
  // does); -7 the payload digest or an entry's CRC did not match, an entry
  // runs past the payload, or the domain length is outside 0..254. After -7
  // from a CRC the entries accepted before stay; after every other failure
  // there are none.
  int Load(const std::filesystem::path& path);

  // 0 with a copy of the data of the first entry whose name equals name
  // byte for byte; -1 when there is none; -2 when its data is larger than
  // max_size or than this CertFile holds (*data is left as it was unless 0).
  int GetFileData(std::string_view name, std::string* data,
                  size_t max_size = kCertMaxPayloadSize) const;

  // The decrypted domain of the last load, or the default domain when the
  // package carried none (or had not decrypted it yet).
  const std::string& domain() const { return domain_; }
  const std::vector<CertEntryView>& entries() const { return entries_; }

 private:
  class EntryWalker;
  void Clear();

  const std::string default_domain_;
  const int key_mode_;
  const size_t max_held_entry_;
  std::string domain_;
  std::array<uint8_t, kCertHeadSize> head_{};
  std::array<uint8_t, kCertDigestSize> expected_digest_{};
  // Names and data of the entries kept; entries_ point into them (a deque
  // never moves what it holds).
  std::deque<std::string> held_;
  std::vector<CertEntryView> entries_;
};

}  // namespace orbo
