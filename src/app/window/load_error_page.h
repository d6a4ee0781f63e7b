// The page shown in place of one that failed to load. Plain text in,
// plain text out: no toolkit needed.
#pragma once

#include <string>
#include <string_view>

namespace orbo {

// text with & < > " ' replaced by character references, so it shows as
// text in an element's content or a quoted attribute.
std::string HtmlEscape(std::string_view text);

// "Failed to load URL ADDRESS with error TEXT (CODE)." as a small page; the
// address and the error text are escaped (an address can carry markup).
std::string LoadErrorPageHtml(std::string_view address, std::string_view error_text, int code);

}  // namespace orbo
