// Registry text files: the format of a Wine prefix's system.reg/user.reg and
// of registry export files, which is also how tests write an in-memory
// registry. The text comes from outside, so parsing is bounded and never
// trusts a length or an escape:
//
//   WINE REGISTRY Version 2            (key names escape "\" as "\\")
//   REGEDIT4 / Windows Registry ...    (key names as written; the default)
//   [HKEY_LOCAL_MACHINE\Software\Key] 1700000000   (trailing stamp ignored)
//   "Name"="text with \"quotes\" and \\ and \x263a"
//   @="the default value"
//   "Number"=dword:0000002a
//   "Bytes"=hex:01,02,\             (a trailing "\" continues the line)
//     03
//   "Expand"=str(2):"%ProgramFiles%\\Editor"
//
// A key path whose first part is not a root name belongs to the default
// root (system.reg: HKEY_LOCAL_MACHINE, user.reg: HKEY_CURRENT_USER).
// Comment lines start with ";" or "#". UTF-16LE files (with byte-order
// mark) are read too.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "platform/registry.h"

namespace orbo {

class MemoryRegistry;

// Files larger than this are not read at all.
inline constexpr size_t kRegTextMaxBytes = size_t{64} << 20;
// A value whose decoded data is larger than this is dropped (and counted).
inline constexpr size_t kRegValueMaxBytes = size_t{64} << 10;

struct RegTextReport {
  int keys = 0;            // key lines taken
  int values = 0;          // values stored
  int badLines = 0;        // lines that could not be read (and values under a bad key)
  int droppedValues = 0;   // values over kRegValueMaxBytes
  std::string firstError;  // "line N: reason" of the first bad line, empty when none
};

// Parses text into *out, skipping what cannot be read; never fails as a
// whole. default_root is used for key paths that do not start with a root
// name; without it such keys are bad lines.
void ParseRegText(std::string_view text, std::optional<RegRoot> default_root, MemoryRegistry* out,
                  RegTextReport* report = nullptr);

// Decodes the body of a quoted registry string starting at text[*pos]
// (just after the opening quote) up to the closing quote, which *pos ends
// just past. Escapes: \\ \" \a \b \e \f \n \r \t \v, \x with up to four
// hexadecimal digits (a UTF-16 unit; pairs combine, lone surrogates become
// U+FFFD), \ with up to three octal digits; any other escaped character
// stands for itself. The text ends at a zero character. False when there
// is no closing quote.
bool DecodeRegString(std::string_view text, size_t* pos, char closing, std::string* out);

}  // namespace orbo
