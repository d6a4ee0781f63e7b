#include "settings/ini_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <climits>

#include "base/codepage.h"
#include "support/temp_dir.h"

namespace orbo {
namespace {

ino_t InodeOf(const std::filesystem::path& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 ? st.st_ino : 0;
}

TEST(IniRead, NamesIgnoreCaseAndSurroundingSpaces) {
  IniFile ini(
      "; comment line\n"
      "lang=global\n"  // before any section: belongs to none
      "[ hmi ]\n"
      "  Lang  =  zh CN  \n"
      "\tVIRCOM\t=\tCOM7\n"
      "no equals sign here\n"
      "[Other]\n"
      "name=elsewhere\n");
  EXPECT_EQ(ini.Find("HMI", "lang"), "zh CN");
  EXPECT_EQ(ini.Find("Hmi", "VirCom"), "COM7");
  EXPECT_EQ(ini.Find("HMI", "name"), std::nullopt);
  EXPECT_EQ(ini.Find("other", "NAME"), "elsewhere");
  EXPECT_EQ(ini.Find("HMI", "no equals sign here"), std::nullopt);
  EXPECT_EQ(ini.Find("missing", "lang"), std::nullopt);
}

TEST(IniRead, FirstSectionAndFirstKeyWin) {
  IniFile ini(
      "[HMI]\n"
      "rep=first\n"
      "REP=second\n"
      "[hmi]\n"
      "rep=third\n"
      "only=later section\n");
  EXPECT_EQ(ini.Find("HMI", "rep"), "first");
  EXPECT_EQ(ini.Find("HMI", "only"), std::nullopt);
}

TEST(IniRead, MatchingQuotesAreRemoved) {
  IniFile ini(
      "[s]\n"
      "a=\"two words\"\n"
      "b='single'\n"
      "c=\"mixed'\n"
      "d=\"\n"
      "e=\"\"\n"
      "f=  \" padded \"  \n"
      "g=x=y\n");
  EXPECT_EQ(ini.Find("s", "a"), "two words");
  EXPECT_EQ(ini.Find("s", "b"), "single");
  EXPECT_EQ(ini.Find("s", "c"), "\"mixed'");
  EXPECT_EQ(ini.Find("s", "d"), "\"");
  EXPECT_EQ(ini.Find("s", "e"), "");
  EXPECT_EQ(ini.Find("s", "f"), " padded ");
  EXPECT_EQ(ini.Find("s", "g"), "x=y");
}

TEST(IniRead, ByteOrderMarkAndCrLfLineEnds) {
  IniFile ini("\xEF\xBB\xBF[HMI]\r\nlang=zh\r\nrep=\xE7\x9B\x92\xE5\xAD\x90\r\n");
  EXPECT_EQ(ini.Find("HMI", "lang"), "zh");
  EXPECT_EQ(ini.Find("HMI", "rep"), "\xE7\x9B\x92\xE5\xAD\x90");
}

TEST(IniRead, IntegersReadTheirLeadingDigits) {
  IniFile ini(
      "[s]\n"
      "plain=42\n"
      "trailing=12abc\n"
      "negative=-7\n"
      "plus=+3\n"
      "garbage=abc\n"
      "sign_only=-\n"
      "empty=\n"
      "quoted=\"5\"\n"
      "huge=99999999999999999999\n"
      "tiny=-99999999999999999999\n");
  EXPECT_EQ(ini.GetInt("s", "plain", 9), 42);
  EXPECT_EQ(ini.GetInt("s", "trailing", 9), 12);
  EXPECT_EQ(ini.GetInt("s", "negative", 9), -7);
  EXPECT_EQ(ini.GetInt("s", "plus", 9), 3);
  EXPECT_EQ(ini.GetInt("s", "garbage", 9), 0);
  EXPECT_EQ(ini.GetInt("s", "sign_only", 9), 0);
  EXPECT_EQ(ini.GetInt("s", "empty", 9), 9);
  EXPECT_EQ(ini.GetInt("s", "absent", 9), 9);
  EXPECT_EQ(ini.GetInt("s", "quoted", 9), 5);
  EXPECT_EQ(ini.GetInt("s", "huge", 9), INT_MAX);
  EXPECT_EQ(ini.GetInt("s", "tiny", 9), INT_MIN);
}

TEST(IniRead, StringsAreCutToTheBufferInCodePoints) {
  // Six CJK characters (three bytes each), then ASCII.
  IniFile ini(
      "[s]\nv=\xE4\xB8\x80\xE4\xBA\x8C\xE4\xB8\x89\xE5\x9B\x9B\xE4\xBA\x94\xE5\x85\xADxyz\n");
  EXPECT_EQ(ini.GetString("s", "v", "", 4), "\xE4\xB8\x80\xE4\xBA\x8C\xE4\xB8\x89");
  EXPECT_EQ(ini.GetString("s", "v", "", 100).size(), 6u * 3 + 3);
  EXPECT_EQ(ini.GetString("s", "absent", "default", 4), "def");
  EXPECT_EQ(ini.GetString("s", "v", "", 1), "");
  EXPECT_EQ(ini.GetString("s", "v", "", 0), "");
}

TEST(IniRead, LegacyValuesInTheCodePageAreConverted) {
  ScopedCodepage cp("CP1252");
  IniFile ini("[HMI]\nrep=Bo\xEEte\n");
  EXPECT_EQ(ini.Find("HMI", "rep"), "Bo\xC3\xAEte");
}

TEST(IniWrite, ReplacingAKeyKeepsEveryOtherByte) {
  const std::string before =
      "; settings of the tool\r\n"
      "\r\n"
      "[Other]\r\n"
      "lang=keep\r\n"
      "[HMI]\r\n"
      "  ; indented comment\r\n"
      "Lang = en   \r\n"
      "\r\n"
      "rep=box\r\n"
      "\r\n";
  IniFile ini(before);
  ASSERT_TRUE(ini.Set("hmi", "lang", "zh"));
  EXPECT_EQ(ini.bytes(),
            "; settings of the tool\r\n"
            "\r\n"
            "[Other]\r\n"
            "lang=keep\r\n"
            "[HMI]\r\n"
            "  ; indented comment\r\n"
            "Lang=zh\r\n"
            "\r\n"
            "rep=box\r\n"
            "\r\n");
  EXPECT_EQ(ini.Find("HMI", "lang"), "zh");
}

TEST(IniWrite, NewKeyGoesAfterTheSectionsLastKey) {
  IniFile ini(
      "[HMI]\n"
      "a=1\n"
      "b=2\n"
      "\n"
      "; about the next section\n"
      "[Next]\n"
      "c=3\n");
  ASSERT_TRUE(ini.Set("HMI", "first", "0"));
  EXPECT_EQ(ini.bytes(),
            "[HMI]\n"
            "a=1\n"
            "b=2\n"
            "first=0\n"
            "\n"
            "; about the next section\n"
            "[Next]\n"
            "c=3\n");

  IniFile header_only("[HMI]\n\n[Next]\n");
  ASSERT_TRUE(header_only.Set("HMI", "k", "v"));
  EXPECT_EQ(header_only.bytes(), "[HMI]\nk=v\n\n[Next]\n");

  IniFile no_final_newline("[HMI]\na=1");
  ASSERT_TRUE(no_final_newline.Set("HMI", "b", "2"));
  EXPECT_EQ(no_final_newline.bytes(), "[HMI]\na=1\nb=2\n");
}

TEST(IniWrite, MissingSectionIsAddedAtTheEnd) {
  IniFile empty;
  ASSERT_TRUE(empty.Set("HMI", "curserver", "Europe"));
  EXPECT_EQ(empty.bytes(), "[HMI]\ncurserver=Europe\n");

  IniFile other("[Other]\r\nx=1");
  ASSERT_TRUE(other.Set("HMI", "first", "0"));
  EXPECT_EQ(other.bytes(), "[Other]\r\nx=1\r\n\r\n[HMI]\r\nfirst=0\r\n");

  IniFile bom("\xEF\xBB\xBF");
  ASSERT_TRUE(bom.Set("HMI", "a", "b"));
  EXPECT_EQ(bom.bytes(), "\xEF\xBB\xBF[HMI]\na=b\n");
}

TEST(IniWrite, RefusesWhatCannotBeOneLine) {
  const std::string before = "[HMI]\nname=ORBO\n";
  IniFile ini(before);
  EXPECT_FALSE(ini.Set("HMI", "name", "two\nlines"));
  EXPECT_FALSE(ini.Set("HMI", "name", "cr\rhere"));
  EXPECT_FALSE(ini.Set("HMI", "na=me", "x"));
  EXPECT_FALSE(ini.Set("HMI", "[name", "x"));
  EXPECT_FALSE(ini.Set("HMI", " name", "x"));
  EXPECT_FALSE(ini.Set("HMI", "", "x"));
  EXPECT_FALSE(ini.Set("H]MI", "name", "x"));
  EXPECT_FALSE(ini.Set("HMI", "name", "bad \xFF utf8"));
  EXPECT_EQ(ini.bytes(), before);
}

TEST(IniFileOnDisk, UpdateWritesOnlyWhatChanged) {
  test::TempDir dir;
  const auto path = dir / "SoftLang.ini";

  // A missing file is created.
  ASSERT_TRUE(WriteIniString(path, "HMI", "first", "0"));
  EXPECT_EQ(test::ReadAll(path), "[HMI]\nfirst=0\n");

  // Writing the value it already has does not replace the file.
  const ino_t inode = InodeOf(path);
  ASSERT_TRUE(WriteIniString(path, "HMI", "FIRST", "0"));
  EXPECT_EQ(InodeOf(path), inode);

  // A refused change leaves the file alone and reports it.
  EXPECT_FALSE(WriteIniString(path, "HMI", "first", "1\n[evil]"));
  EXPECT_EQ(test::ReadAll(path), "[HMI]\nfirst=0\n");
}

TEST(IniFileOnDisk, UnreadableFileIsNeitherReadNorReplaced) {
  test::TempDir dir;
  const auto path = dir / "SoftLang.ini";
  std::filesystem::create_directory(path);  // something that cannot be read as a file
  EXPECT_FALSE(WriteIniString(path, "HMI", "first", "0"));
  EXPECT_TRUE(std::filesystem::is_directory(path));
  EXPECT_EQ(IniFile::Load(path).bytes(), "");
  EXPECT_EQ(IniFile::Load(dir / "missing.ini").GetInt("HMI", "oem", 1), 1);
}

}  // namespace
}  // namespace orbo
