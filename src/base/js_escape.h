// The one way outside text enters a page script: escaped as the body of a
// JavaScript string literal, so a box reply, an address or a file name can
// never end the literal or the script element that holds it.
#pragma once

#include <string>
#include <string_view>

namespace orbo {

// Returns the text escaped for use between double or single quotes:
// backslash and both quotes are escaped; CR, LF and TAB become \r \n \t;
// other control characters, DEL and "<" become \xHH; U+2028 and U+2029
// become \u2028 and \u2029; invalid UTF-8 becomes U+FFFD.
std::string JsEscape(std::string_view utf8);

}  // namespace orbo
