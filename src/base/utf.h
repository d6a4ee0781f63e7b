// UTF-8 / UTF-16 helpers. The program's "wide text" is UTF-8 in std::string;
// limits counted in characters count Unicode code points.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace orbo {

inline constexpr char32_t kReplacementChar = 0xFFFD;

// Reads the code point at *pos and advances *pos. Returns false (and advances
// by one byte) on an invalid, overlong, surrogate or truncated sequence.
bool NextCodePoint(std::string_view s, size_t* pos, char32_t* cp);

void AppendUtf8(std::string* out, char32_t cp);

bool IsValidUtf8(std::string_view s);

// Invalid sequences become U+FFFD; always yields valid UTF-8.
std::string SanitizeUtf8(std::string_view s);

// Text made safe for a terminal or a dialog: control characters (C0, DEL,
// C1) show as "\x1b" / "\u0085" and bytes that are not UTF-8 as "\xNN",
// so text from a box or a file cannot drive the terminal or blank a
// dialog. keep_line_feeds leaves "\n" as it is (for multi-line prompts).
std::string VisibleText(std::string_view s, bool keep_line_feeds = false);

// Number of code points (an invalid byte counts as one).
size_t Utf8Length(std::string_view s);

// The first max_chars code points of s, never splitting a sequence.
std::string Utf8Truncate(std::string_view s, size_t max_chars);

// False when s is not valid UTF-8; *out is then the conversion with U+FFFD
// in place of the bad bytes.
bool Utf8ToUtf16(std::string_view s, std::u16string* out);

// Lone surrogates become U+FFFD.
std::string Utf16ToUtf8(std::u16string_view s);

// ASCII-only case folding, for names that match without regard to case.
char AsciiLower(char c);
bool EqualsIgnoreAsciiCase(std::string_view a, std::string_view b);
std::string ToAsciiLower(std::string_view s);

}  // namespace orbo
