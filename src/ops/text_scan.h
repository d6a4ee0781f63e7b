// Reading numbers out of box replies the way the box's text formats are
// written ("Mode=%d", "%lf/%lf/%lf", "<n>ms\n"), without the C library's
// scanf: every read stays inside the given text and ignores the locale.
#pragma once

#include <cstddef>
#include <string_view>

namespace orbo {

// Reads a decimal floating-point number at *pos after optional white space
// and an optional sign ("inf" and "nan" included). True and *pos past the
// number when one was read; false with *pos unchanged otherwise, also for a
// number outside the range of double.
bool ScanDouble(std::string_view text, size_t* pos, double* value);

// Reads a decimal int at *pos after optional white space and an optional
// sign. False with *pos unchanged when there are no digits or the number
// does not fit an int.
bool ScanInt(std::string_view text, size_t* pos, int* value);

// "Mode=%d": the reply starts with "Mode=" followed by an int. False (and
// *mode unchanged) otherwise.
bool ScanBoxMode(std::string_view reply, int* mode);

}  // namespace orbo
