// Reading the text arguments of page calls.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orbo {

// The decimal value of text read the way strtol does: leading white space,
// an optional sign, then decimal digits up to the first other character.
// Text without such digits reads as 0; values beyond int are clamped.
int ParseCommandNumber(std::string_view text);

// Splits bytes the way strtok does with the one-byte delimiter: runs of the
// delimiter separate fields, and empty fields are skipped.
std::vector<std::string> SplitSkippingEmpty(std::string_view bytes, char delimiter);

// The Wi-Fi name and password of PageCommand::kSaveWifi from its U+0002-separated
// argument, converted to the code page and back. Returns false, and leaves
// both absent, when the argument takes more than max_bytes in the code page
// (the page gives at most 255 bytes). A field that is not there stays absent.
bool ParseWifiFields(const std::string& v2, std::optional<std::string>* name,
                     std::optional<std::string>* password, size_t max_bytes = 255);

// path with ".kzrp" appended unless its last five characters are exactly
// ".kzrp" (case-sensitive).
std::string WithProjectExtension(const std::string& path);

}  // namespace orbo
