// The string tables: the Base64 layer and the properties text, through the
// file lookup the pages use. Input parts, split at U+001E: the stored file,
// a key, the replacement for "replaceBox".
#include <string>

#include "base/base64.h"
#include "fuzz_support.h"
#include "settings/string_table.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const auto parts = orbo::fuzz::Split(orbo::fuzz::AsText(data, size), '\x1e');
  const std::string_view stored = parts[0];
  const std::string_view key = parts.size() > 1 ? parts[1] : "alert_title";
  const std::string_view rep = parts.size() > 2 ? parts[2] : "OP-X70";

  // Decoding reads exactly the alphabet run; encoding round-trips.
  const std::string decoded = orbo::Base64Decode(stored);
  FUZZ_CHECK(decoded == orbo::Base64Decode(stored.substr(0, orbo::Base64RunLength(stored))));
  FUZZ_CHECK(orbo::Base64Decode(orbo::Base64Encode(stored)) == stored);

  // The properties text, read both raw and as the decoded table.
  for (const std::string_view doc : {stored, std::string_view(decoded)}) {
    for (const auto& [k, v] : orbo::ParseProperties(doc)) {
      FUZZ_CHECK(k.find('\n') == std::string::npos && v.find('\n') == std::string::npos);
    }
  }

  const auto& dir = orbo::fuzz::ScratchDir();
  orbo::fuzz::WriteFile(orbo::StringTablePath(dir, "en"), stored);
  orbo::LookupText(dir, "en", rep, key);
  return 0;
}
