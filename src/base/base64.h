// Base64 (RFC 4648 standard alphabet) as the shipped files use it.
#pragma once

#include <string>
#include <string_view>

namespace orbo {

// Decodes from the start while characters belong to the alphabet (letters,
// digits, "+", "/"); stops at the first "=" or at any other character and
// ignores the rest. Groups of four give three bytes; a final group of two or
// three characters gives one or two bytes; a lone final character gives none.
std::string Base64Decode(std::string_view text);

// Number of leading characters of text in the alphabet: the part
// Base64Decode reads.
size_t Base64RunLength(std::string_view text);

// Standard encoding with "=" padding and no line breaks.
std::string Base64Encode(std::string_view bytes);

}  // namespace orbo
