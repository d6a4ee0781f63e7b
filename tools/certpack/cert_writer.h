// Building certificate packages for resellers. Only orbo-certpack, the tests
// and the benchmark use this; the tool itself never writes a package.
#pragma once

#include <string>
#include <vector>

namespace orbo::certpack {

struct PackEntry {
  std::string name;  // bytes, stored without terminator
  std::string data;
};

// The bytes of a package: domain (at most 254 bytes; empty leaves the
// reader on its default domain, which then also keys the payload, so pass
// that default as key_domain), entries in the order given. key_mode as the
// reader's. Empty when the domain is too long or encryption fails; an empty
// entry list gives a package the reader refuses (it has no payload).
std::string BuildPackage(const std::string& domain, const std::string& key_domain, int key_mode,
                         const std::vector<PackEntry>& entries);

// AES-256-CFB128 encryption with the key and IV derived from the two texts,
// the inverse of DecryptTexts. False when derivation or the cipher fails.
bool EncryptTexts(const std::string& plain, const std::string& key_text, const std::string& iv_text,
                  std::string* out);

}  // namespace orbo::certpack
