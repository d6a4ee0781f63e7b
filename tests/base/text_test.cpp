#include <gtest/gtest.h>

#include <cstdlib>

#include "base/base64.h"
#include "base/codepage.h"
#include "base/utf.h"

namespace orbo {
namespace {

TEST(Base64, DecodesRfc4648Vectors) {
  EXPECT_EQ(Base64Decode(""), "");
  EXPECT_EQ(Base64Decode("Zg=="), "f");
  EXPECT_EQ(Base64Decode("Zm8="), "fo");
  EXPECT_EQ(Base64Decode("Zm9v"), "foo");
  EXPECT_EQ(Base64Decode("Zm9vYmFy"), "foobar");
  EXPECT_EQ(Base64Decode("Zm9vYg"), "foob");  // unpadded final group of two
}

TEST(Base64, StopsAtFirstCharacterOutsideTheAlphabet) {
  EXPECT_EQ(Base64Decode("Zm9v\nYmFy"), "foo");     // a line break ends the run
  EXPECT_EQ(Base64Decode("Zm9v=YmFy"), "foo");      // so does "="
  EXPECT_EQ(Base64Decode("\xEF\xBB\xBFZm9v"), "");  // a byte-order mark gives nothing
  EXPECT_EQ(Base64Decode("Zm9vY"), "foo");          // a lone last character is dropped
  EXPECT_EQ(Base64RunLength("Zm9v\nYmFy"), 4u);
  EXPECT_EQ(Base64RunLength("a+/9=="), 4u);
  EXPECT_EQ(Base64RunLength("\xEF\xBB\xBFZm9v"), 0u);
  EXPECT_EQ(Base64RunLength("Zm9vYmFy"), 8u);
}

TEST(Base64, EncodeRoundTripsEveryByte) {
  std::string all;
  for (int i = 0; i < 256; ++i) all.push_back(static_cast<char>(i));
  for (size_t n = 0; n <= all.size(); n += 37) {
    std::string part = all.substr(0, n);
    EXPECT_EQ(Base64Decode(Base64Encode(part)), part) << n;
  }
  EXPECT_EQ(Base64Encode("foob"), "Zm9vYg==");
}

TEST(Utf, RejectsMalformedSequences) {
  EXPECT_TRUE(IsValidUtf8("plain \xE4\xB8\xAD\xF0\x9F\x98\x80"));
  EXPECT_FALSE(IsValidUtf8("\xC0\xAF"));          // overlong "/"
  EXPECT_FALSE(IsValidUtf8("\xED\xA0\x80"));      // surrogate
  EXPECT_FALSE(IsValidUtf8("\xF4\x90\x80\x80"));  // beyond U+10FFFF
  EXPECT_FALSE(IsValidUtf8("\xE4\xB8"));          // truncated at the end
  EXPECT_EQ(SanitizeUtf8("a\xFFz"), "a\xEF\xBF\xBDz");
}

TEST(Utf, Utf16RoundTripWithSurrogatePairs) {
  const std::string text = "A\xC3\xA9\xE4\xB8\xAD\xF0\x9F\x98\x80";
  std::u16string wide;
  ASSERT_TRUE(Utf8ToUtf16(text, &wide));
  EXPECT_EQ(wide.size(), 5u);  // A, e-acute, one BMP char, one surrogate pair
  EXPECT_EQ(Utf16ToUtf8(wide), text);
  EXPECT_EQ(Utf16ToUtf8(std::u16string(1, char16_t{0xD800})), "\xEF\xBF\xBD");
}

TEST(Utf, TruncateCountsCodePointsAndNeverSplitsOne) {
  const std::string text =
      "\xE4\xB8\xAD\xE6\x96\x87"
      "ab";
  EXPECT_EQ(Utf8Length(text), 4u);
  EXPECT_EQ(Utf8Truncate(text, 1), "\xE4\xB8\xAD");
  EXPECT_EQ(Utf8Truncate(text, 10), text);
  EXPECT_EQ(Utf8Truncate("", 3), "");
}

TEST(Utf, AsciiCaseFoldingLeavesOtherBytesAlone) {
  EXPECT_TRUE(EqualsIgnoreAsciiCase("HMI", "hmi"));
  EXPECT_FALSE(EqualsIgnoreAsciiCase("\xC3\x89", "\xC3\xA9"));  // only ASCII folds
  EXPECT_EQ(ToAsciiLower("VirCom"), "vircom");
}

TEST(Codepage, Cp1252RoundTripAndLoss) {
  ScopedCodepage cp("CP1252");
  std::string bytes;
  bool lossy = true;
  ASSERT_TRUE(Codepage::FromUtf8("caf\xC3\xA9 \xE2\x82\xAC", &bytes, &lossy));
  EXPECT_FALSE(lossy);
  EXPECT_EQ(bytes, "caf\xE9 \x80");
  std::string back;
  EXPECT_TRUE(Codepage::ToUtf8(bytes, &back));
  EXPECT_EQ(back, "caf\xC3\xA9 \xE2\x82\xAC");

  ASSERT_TRUE(Codepage::FromUtf8("x\xE4\xB8\xADy", &bytes, &lossy));  // CJK is not in CP1252
  EXPECT_TRUE(lossy);
  EXPECT_EQ(bytes, "x?y");
  EXPECT_FALSE(Codepage::CanEncode("\xE4\xB8\xAD"));
}

TEST(Codepage, GbkAndUndefinedBytes) {
  ScopedCodepage cp("GBK");
  std::string bytes;
  ASSERT_TRUE(Codepage::FromUtf8("\xE4\xB8\xAD", &bytes));
  EXPECT_EQ(bytes, "\xD6\xD0");
  EXPECT_EQ(Codepage::ToUtf8Lossy("\xD6\xD0"), "\xE4\xB8\xAD");
  // A lone lead byte at the end is not a character: replaced, not dropped.
  std::string out;
  EXPECT_FALSE(Codepage::ToUtf8("a\xD6", &out));
  EXPECT_EQ(out, "a\xEF\xBF\xBD");
}

TEST(ConvertCharset, ReplacesEachBadByteOrStopsBeforeIt) {
  std::string out;
  bool lossy = false;
  // 0x81 is undefined in CP1252: one replacement per byte, the rest converted.
  EXPECT_TRUE(
      ConvertCharset("UTF-8", "CP1252", "a\x81\x81z\xE9", &out, {.replacement = "?"}, &lossy));
  EXPECT_EQ(out, "a??z\xC3\xA9");
  EXPECT_TRUE(lossy);
  // Stopping keeps what came before the first loss.
  EXPECT_TRUE(ConvertCharset("CP1252", "UTF-8", "ab\xE4\xB8\xADz", &out, {.stop = true}, &lossy));
  EXPECT_EQ(out, "ab");
  EXPECT_TRUE(lossy);
  EXPECT_TRUE(ConvertCharset("CP1252", "UTF-8", "caf\xC3\xA9", &out, {.stop = true}, &lossy));
  EXPECT_EQ(out, "caf\xE9");
  EXPECT_FALSE(lossy);
  EXPECT_FALSE(ConvertCharset("UTF-8", "NO-SUCH-CHARSET-42", "abc", &out, {}, &lossy));
  EXPECT_EQ(out, "");
}

TEST(Codepage, UnknownCharsetIsRefusedAndKeepsTheOldOne) {
  ScopedCodepage cp("CP1252");
  EXPECT_FALSE(Codepage::SetCharset("NO-SUCH-CHARSET-42"));
  EXPECT_EQ(Codepage::Charset(), "CP1252");
  std::string out;
  EXPECT_FALSE(Codepage::FromUtf8("\xFF", &out));  // not UTF-8 input
}

}  // namespace
}  // namespace orbo

namespace orbo {
namespace {

TEST(Codepage, PlainCLocaleMeansUtf8NotAscii) {
  ScopedCodepage keep("CP1252");
  const char* old = std::getenv("LC_ALL");
  const std::string saved = old ? old : "";
  ::setenv("LC_ALL", "C", 1);
  ASSERT_TRUE(Codepage::SetCharset(""));  // back to the locale's own
  EXPECT_EQ(Codepage::Charset(), "UTF-8");
  std::string bytes;
  bool lossy = true;
  ASSERT_TRUE(Codepage::FromUtf8("\xE7\x9B\x92", &bytes, &lossy));
  EXPECT_FALSE(lossy);
  if (old) {
    ::setenv("LC_ALL", saved.c_str(), 1);
  } else {
    ::unsetenv("LC_ALL");
  }
}

TEST(Codepage, Utf8CodePageNeverPassesInvalidSequencesOn) {
  // F5-F7 leads (beyond U+10FFFF) and a five-byte form.
  ScopedCodepage cp("UTF-8");
  for (const char* bytes : {"\xF5\x92\x90\x9B", "a\xF7\xBF\xBF\xBFz", "\xF8\x88\x80\x80\x80"}) {
    std::string out;
    EXPECT_FALSE(Codepage::ToUtf8(bytes, &out)) << bytes;
    EXPECT_TRUE(IsValidUtf8(out)) << out;
  }
}

TEST(VisibleText, ControlsAndStrayBytesShowAsEscapes) {
  struct Case {
    const char* in;
    bool keep_line_feeds;
    const char* shown;
  } cases[] = {
      {"OP-X70", false, "OP-X70"},
      {"\x1b]0;owned\x07", false, "\\x1b]0;owned\\x07"},
      {"a\r\nb", false, "a\\x0d\\x0ab"},
      {"V1\nV2\x7f", true, "V1\nV2\\x7f"},
      {"caf\xe9 \xc2\x9b", false, "caf\\xe9 \\u009b"},  // Latin-1 byte, C1 CSI
      {"\xe5\x8f\x82", false, "\xe5\x8f\x82"},          // CJK passes
  };
  for (const Case& c : cases) EXPECT_EQ(VisibleText(c.in, c.keep_line_feeds), c.shown) << c.in;
}

}  // namespace
}  // namespace orbo
