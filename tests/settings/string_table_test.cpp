#include "settings/string_table.h"

#include <gtest/gtest.h>

#include "base/base64.h"
#include "support/temp_dir.h"

namespace orbo {
namespace {

using Table = std::map<std::string, std::string>;

TEST(ParseProperties, SplitsAtTheFirstEqualsWithoutTrimming) {
  Table t = ParseProperties(
      "plain=value\n"
      "spaced = both sides\n"
      "url=http://host/?a=b\n"
      "empty=\n"
      "=no key\n");
  EXPECT_EQ(t["plain"], "value");
  EXPECT_EQ(t["spaced "], " both sides");
  EXPECT_EQ(t.count("spaced"), 0u);
  EXPECT_EQ(t["url"], "http://host/?a=b");
  EXPECT_EQ(t["empty"], "");
  EXPECT_EQ(t[""], "no key");
}

TEST(ParseProperties, CommentsCutLinesAndLinesWithoutEqualsAreIgnored) {
  Table t = ParseProperties(
      "# a=comment\n"
      "\n"
      "cut=before # after\n"
      "hidden#=not a key\n"
      "lonely_key\n"
      "last=no newline");
  EXPECT_EQ(t["cut"], "before ");
  EXPECT_EQ(t.count("# a"), 0u);
  EXPECT_EQ(t.count("hidden"), 0u);
  EXPECT_EQ(t.count("lonely_key"), 0u);
  EXPECT_EQ(t["last"], "no newline");
  EXPECT_EQ(t.size(), 2u);
}

TEST(ParseProperties, CarriageReturnsStayAndFirstOccurrenceWins) {
  Table t = ParseProperties("dup=first\r\ndup=second\r\nKey=upper\r\n\r\n");
  EXPECT_EQ(t["dup"], "first\r");
  EXPECT_EQ(t["Key"], "upper\r");
  EXPECT_EQ(t.count("key"), 0u);  // exact comparison
  EXPECT_EQ(t.count("\r"), 0u);
}

class LookupTextTest : public ::testing::Test {
 protected:
  void WriteTable(std::string_view lang, std::string_view stored) {
    dir_.Write("html/i18n/strings_" + std::string(lang) + ".properties", stored);
  }
  std::string Lookup(std::string_view key, std::string_view lang = "en",
                     std::string_view rep = "box") {
    return LookupText(dir_.path(), lang, rep, key);
  }
  test::TempDir dir_;
};

TEST_F(LookupTextTest, ReplacesEveryPlaceholderWithTheBoxWord) {
  WriteTable("en", Base64Encode("lost=replaceBox gone, find the replaceBox\nother=no word\n"));
  EXPECT_EQ(Lookup("lost"), "box gone, find the box");
  EXPECT_EQ(Lookup("lost", "en", "gateway"), "gateway gone, find the gateway");
  EXPECT_EQ(Lookup("lost", "en", "replaceBox!"), "replaceBox! gone, find the replaceBox!");
  EXPECT_EQ(Lookup("other"), "no word");
  EXPECT_EQ(StringTablePath(dir_.path(), "en"), dir_ / "html/i18n/strings_en.properties");
}

TEST_F(LookupTextTest, MissingFileKeyOrLanguageGivesEmptyText) {
  WriteTable("en", Base64Encode("a=1\n"));
  EXPECT_EQ(Lookup("b"), "");
  EXPECT_EQ(Lookup("a", "fr"), "");
  EXPECT_EQ(Lookup("A"), "");
  // A language code never reaches outside html/i18n.
  dir_.Write("html/strings_x.properties", Base64Encode("a=outside\n"));
  EXPECT_EQ(Lookup("a", "../strings_x"), "");
}

TEST_F(LookupTextTest, StoredTextThatIsNotOneBase64RunYieldsLittleOrNothing) {
  WriteTable("plain", "a=1\n");
  EXPECT_EQ(Lookup("a", "plain"), "");
  WriteTable("bom", "\xEF\xBB\xBF" + Base64Encode("a=1\n"));
  EXPECT_EQ(Lookup("a", "bom"), "");
  // Broken into lines: only the first line is decoded.
  const std::string first = Base64Encode("a=one\nb=two\n");  // 16 characters, no padding
  ASSERT_EQ(first.size(), 16u);
  WriteTable("lines", first.substr(0, 8) + "\n" + first.substr(8));
  EXPECT_EQ(Lookup("a", "lines"), "one");  // "a=one\n" is the first six bytes
  EXPECT_EQ(Lookup("b", "lines"), "");
  // Decoded bytes that are not UTF-8 give no table at all.
  WriteTable("latin1", Base64Encode("a=1\nb=caf\xE9\n"));
  EXPECT_EQ(Lookup("a", "latin1"), "");
}

TEST_F(LookupTextTest, EveryLookupReadsTheFileAgain) {
  WriteTable("en", Base64Encode("k=old\n"));
  EXPECT_EQ(Lookup("k"), "old");
  WriteTable("en", Base64Encode("k=new\n"));
  EXPECT_EQ(Lookup("k"), "new");
}

}  // namespace
}  // namespace orbo
