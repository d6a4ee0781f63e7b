// The "ANSI code page": the 8-bit character set of box commands and replies,
// narrow paths and 8-bit settings reads. It is the process locale's LC_CTYPE
// character set unless set explicitly (tests use CP1252 or GBK).
#pragma once

#include <string>
#include <string_view>

namespace orbo {

// What ConvertCharset does with input it cannot convert.
struct CharsetLoss {
  std::string_view replacement = {};  // appended in place of each such character
  bool skip_utf8_sequence = false;    // skip one whole UTF-8 sequence of input, else one byte
  bool stop = false;                  // end the conversion there instead
};

// Converts in from charset `from` to charset `to` (names as iconv knows
// them) into *out. Input that cannot be converted, or that iconv could only
// approximate, sets *lossy (when given); see CharsetLoss for what follows.
// After a stop *out holds what was converted before it. False (and *out
// empty) only when iconv does not know one of the charsets.
bool ConvertCharset(std::string_view to, std::string_view from, std::string_view in,
                    std::string* out, const CharsetLoss& loss, bool* lossy = nullptr);

class Codepage {
 public:
  // Current character set name as iconv knows it, e.g. "UTF-8", "CP1252".
  static std::string Charset();
  // Overrides the character set for the whole process; an empty name restores
  // the locale's. Returns false (and changes nothing) when iconv lacks it.
  static bool SetCharset(const std::string& name);

  // 8-bit bytes in the code page -> UTF-8, always valid UTF-8. False on
  // bytes the code page does not define; *out then holds the conversion
  // with U+FFFD in their place.
  static bool ToUtf8(std::string_view bytes, std::string* out);
  // Same, never failing: for box replies that are shown whatever they hold.
  static std::string ToUtf8Lossy(std::string_view bytes);

  // UTF-8 -> code page. Characters the code page lacks become "?" and set
  // *lossy. Returns false only when the input is not UTF-8 or iconv fails.
  static bool FromUtf8(std::string_view utf8, std::string* out, bool* lossy = nullptr);
  // True when every character of utf8 has a mapping in the code page.
  static bool CanEncode(std::string_view utf8);
};

// Restores the previous character set when it goes out of scope (tests).
class ScopedCodepage {
 public:
  explicit ScopedCodepage(const std::string& name);
  ~ScopedCodepage();
  ScopedCodepage(const ScopedCodepage&) = delete;
  ScopedCodepage& operator=(const ScopedCodepage&) = delete;

 private:
  std::string previous_;
};

}  // namespace orbo
