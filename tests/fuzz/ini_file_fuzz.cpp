// The settings file reader and its in-place writer. Input parts, split at
// U+001E: the file's bytes, a section, a key, a value.
#include <string>

#include "base/utf.h"
#include "fuzz_support.h"
#include "settings/ini_file.h"

namespace {

// A value the reader gives back as written: no blanks around it (space,
// tab, vertical tab, form feed) and no enclosing quotes.
bool IsPlainValue(std::string_view v) {
  if (!orbo::IsValidUtf8(v)) return false;
  if (v.empty()) return true;
  for (char c : {v.front(), v.back()}) {
    if (c == ' ' || c == '\t' || c == '\v' || c == '\f' || c == '"' || c == '\'') return false;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const auto parts = orbo::fuzz::Split(orbo::fuzz::AsText(data, size), '\x1e');
  const std::string_view section = parts.size() > 1 ? parts[1] : "Set";
  const std::string_view key = parts.size() > 2 ? parts[2] : "langID";
  const std::string_view value = parts.size() > 3 ? parts[3] : "en";

  orbo::IniFile ini{std::string(parts[0])};
  ini.Find(section, key);
  const std::string text = ini.GetString(section, key, "fallback", 16);
  FUZZ_CHECK(text.size() <= 15 * 4);
  ini.GetInt(section, key, -7);

  const std::string before = ini.bytes();
  if (ini.Set(section, key, value)) {
    if (IsPlainValue(value)) {
      const auto read_back = ini.Find(section, key);
      FUZZ_CHECK(read_back.has_value() && *read_back == value);
    }
  } else {
    FUZZ_CHECK(ini.bytes() == before);
  }
  return 0;
}
