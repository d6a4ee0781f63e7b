// The localised ping line: a printf format that takes three times in
// milliseconds. The format comes from a string table, so it is checked
// before it is ever handed to printf.
#pragma once

#include <string>
#include <string_view>

namespace orbo {

// Used when the localised format cannot be applied.
inline constexpr std::string_view kFallbackPingFormat = "%.1f ms / %.1f ms / %.1f ms";

// True when format consumes exactly three double arguments: three
// conversions of the form %[flags][width][.precision][l]C where flags are
// any of "-+ #0", width and precision have at most three digits and C is
// one of f F e E g G a A; "%%" may appear anywhere; any other conversion,
// a '*' width or precision, another length modifier, a lone '%' or a NUL
// byte makes it false.
bool IsThreeTimesFormat(std::string_view format);

// format applied to t1, t2, t3 when IsThreeTimesFormat(format), otherwise
// kFallbackPingFormat applied to them. Never fails.
std::string FormatPingTimes(std::string_view format, double t1, double t2, double t3);

}  // namespace orbo
