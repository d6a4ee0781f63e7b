// Literal separator lines the operations write to the page's log.
#pragma once

#include <string_view>

namespace orbo {

// Opens an operation's output (46 dashes).
inline constexpr std::string_view kDashLine = "----------------------------------------------";
// Frames each section of the network report (29 stars).
inline constexpr std::string_view kStarLine = "*****************************";

}  // namespace orbo
