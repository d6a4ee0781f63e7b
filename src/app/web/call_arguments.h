// The arguments of a page call as they cross from the page's process to the
// window: each keeps the type it had in the page.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace orbo {

// One stored argument: boolean, integer (a number that is an exact 32-bit
// integer), string or other number.
using CallArg = std::variant<bool, int32_t, std::string, double>;

// The copied argument list. An argument of another type (undefined, null,
// object, function) is not stored: its place stays empty, and the list ends
// with the last stored argument, so a call whose second argument is
// undefined gives a one-entry list.
using CallArgs = std::vector<std::optional<CallArg>>;

// A page value as the copy sees it, before it is stored.
struct PageArg {
  enum class Type { kBoolean, kNumber, kString, kOther };
  Type type = Type::kOther;
  bool boolean = false;
  double number = 0;
  std::string text;
};

// Copies the arguments in the page's order: boolean, then integer, then
// string, then floating-point number; anything else leaves its place empty.
CallArgs CopyCallArgs(const std::vector<PageArg>& args);

// The number as an int32 when it is one exactly (-0 and fractions are not).
std::optional<int32_t> ExactInt32(double number);

// The command answered in the page's own process (IsAnsweredInPage: the
// editor check and the download launch), or nullopt when the call goes to
// the window.
// Argument 0 must be a string for the command to be read (a non-string
// reads as empty text, command 0); it is read by ParseCommandNumber, as the
// window reads it.
std::optional<int> AnsweredInPage(const CallArgs& args);

// The string value of entry i, or empty text when the entry is missing or
// not a string.
std::string ArgText(const CallArgs& args, size_t i);

// The window's reading of a page call: exactly two entries, each read as
// text (a non-string reads as empty). False for any other count.
bool ReadPageCall(const CallArgs& args, std::string* v1, std::string* v2);

}  // namespace orbo
