// Byte encodings of XML files: detection and conversion to UTF-8 text when
// loading, conversion back when saving.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace orbo::xml {

// The result of decoding a file's bytes.
struct DecodedText {
  std::string text;      // UTF-8, without zero characters
  std::string encoding;  // "UTF-8", "UTF-16LE", "UTF-16BE", "ANSI" or a declared name
  bool utf8_bom = false;
  bool utf16_le = false;
  bool utf16_be = false;
};

// Detects the encoding of file bytes and converts them to UTF-8:
// 1. a byte-order mark decides (EF BB BF UTF-8, FF FE UTF-16LE, FE FF
//    UTF-16BE);
// 2. else an encoding declared in the first 1024 bytes (XML declaration, or
//    an HTML meta charset); a name iconv does not know, or one whose
//    encoding does not read ASCII as ASCII (UTF-16 found by reading the
//    file byte by byte cannot be true), counts as no declaration;
// 3. else a first byte "<" means UTF-8;
// 4. else valid UTF-8 is UTF-8 and anything else the ANSI code page.
// Never fails: bytes the encoding does not define become U+FFFD and
// "conversion_loss" is logged. Result names are appended to *log.
DecodedText DecodeFileBytes(std::string_view bytes, std::vector<std::string>* log);

// The encoding named by the XML declaration at the start of text, or (when
// html_meta) by an HTML meta element with http-equiv Content-Type or a
// charset attribute. Empty when none.
std::string FindDeclaredEncoding(std::string_view text, bool html_meta);

// Encodes UTF-8 text for a file. encoding is a name as DecodeFileBytes
// gives it ("UTF-8", "UTF-16LE", "UTF-16BE", "UTF-16", "ANSI" or an iconv
// name; a name iconv does not know is written as UTF-8). bom prepends the
// encoding's byte-order mark (UTF-8 and UTF-16 only). Returns false, with
// "conversion_loss" logged and *out empty, when the text holds a character
// the encoding cannot represent or is not valid UTF-8.
bool EncodeText(std::string_view text, std::string_view encoding, bool bom, std::string* out,
                std::vector<std::string>* log);

}  // namespace orbo::xml
