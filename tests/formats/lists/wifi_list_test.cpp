#include "formats/lists/wifi_list.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "support/temp_dir.h"

namespace orbo {
namespace {

constexpr char kTwoOffices[] =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<WifiList>\n"
    "  <wifi Name=\"Office\" Psw=\"one\"/>\n"
    "  <!-- lab network -->\n"
    "  <wifi Name=\"Lab\" Psw=\"lab\"/>\n"
    "  <wifi Name=\"Office\" Psw=\"two\"/>\n"
    "  <note/>\n"
    "</WifiList>\n";

TEST(WifiList, SaveUpdatesEveryEntryOfThatNameAndKeepsTheRest) {
  test::TempDir dir;
  dir.Write("WifiList.xml", kTwoOffices);
  EXPECT_EQ(SaveWifi(dir.path(), "Office", "new&\"pw"), 0);
  EXPECT_EQ(dir.Read("WifiList.xml"),
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
            "<WifiList>\n"
            "  <wifi Name=\"Office\" Psw=\"new&amp;&quot;pw\"/>\n"
            "  <!-- lab network -->\n"
            "  <wifi Name=\"Lab\" Psw=\"lab\"/>\n"
            "  <wifi Name=\"Office\" Psw=\"new&amp;&quot;pw\"/>\n"
            "  <note/>\n"
            "</WifiList>\n");
}

TEST(WifiList, SaveAppendsANewNameAfterTheLastEntryNameFirst) {
  test::TempDir dir;
  dir.Write("WifiList.xml", kTwoOffices);
  // Letter case counts: "office" is another network.
  ASSERT_EQ(SaveWifi(dir.path(), "office", "x"), 0);
  const std::string text = dir.Read("WifiList.xml");
  const size_t added = text.find("<wifi Name=\"office\" Psw=\"x\"");
  ASSERT_NE(added, std::string::npos) << text;
  EXPECT_GT(added, text.find("Psw=\"two\""));
  EXPECT_LT(added, text.find("<note/>"));
  EXPECT_NE(text.find("Psw=\"one\""), std::string::npos);

  dir.Write("WifiList.xml", "<WifiList></WifiList>");
  ASSERT_EQ(SaveWifi(dir.path(), "Home", ""), 0);
  EXPECT_NE(dir.Read("WifiList.xml").find("<wifi Name=\"Home\" Psw=\"\""), std::string::npos);
}

TEST(WifiList, RemoveTakesOnlyTheFirstMatch) {
  test::TempDir dir;
  dir.Write("WifiList.xml", kTwoOffices);
  ASSERT_EQ(RemoveWifi(dir.path(), "Office"), 0);
  const std::string text = dir.Read("WifiList.xml");
  EXPECT_EQ(text.find("Psw=\"one\""), std::string::npos);
  EXPECT_NE(text.find("Psw=\"two\""), std::string::npos);
  EXPECT_NE(text.find("Name=\"Lab\""), std::string::npos);
}

TEST(WifiList, RemoveOfAnUnknownNameLeavesTheFileByteForByte) {
  test::TempDir dir;
  dir.Write("WifiList.xml", kTwoOffices);
  struct stat before {};
  ASSERT_EQ(::stat((dir / "WifiList.xml").c_str(), &before), 0);
  EXPECT_EQ(RemoveWifi(dir.path(), "Cafe"), -1);
  EXPECT_EQ(RemoveWifi(dir.path(), "LAB"), -1);
  EXPECT_EQ(dir.Read("WifiList.xml"), kTwoOffices);
  struct stat after {};
  ASSERT_EQ(::stat((dir / "WifiList.xml").c_str(), &after), 0);
  EXPECT_EQ(before.st_ino, after.st_ino);  // not even rewritten
}

TEST(WifiList, MissingOrBrokenFilesAreRefusedAndNeverCreatedOrRewritten) {
  test::TempDir dir;
  EXPECT_EQ(SaveWifi(dir.path(), "Office", "pw"), -1);
  EXPECT_EQ(RemoveWifi(dir.path(), "Office"), -1);
  EXPECT_FALSE(std::filesystem::exists(dir / "WifiList.xml"));

  const std::string wrong_root = "<Networks><wifi Name=\"Office\" Psw=\"a\"/></Networks>";
  dir.Write("WifiList.xml", wrong_root);
  EXPECT_EQ(SaveWifi(dir.path(), "Office", "pw"), -1);
  EXPECT_EQ(RemoveWifi(dir.path(), "Office"), -1);
  EXPECT_EQ(dir.Read("WifiList.xml"), wrong_root);

  const std::string broken = "<WifiList><wifi Name=\"Office\" Psw=\"a\"></WifiList>";
  dir.Write("WifiList.xml", broken);
  EXPECT_EQ(SaveWifi(dir.path(), "Office", "pw"), -1);
  EXPECT_EQ(RemoveWifi(dir.path(), "Office"), -1);
  EXPECT_EQ(dir.Read("WifiList.xml"), broken);
}

TEST(WifiList, AListThatLostCharactersWhenReadIsNeverSavedBack) {
  // Latin-1 without a declaration reads as UTF-8 with U+FFFD for the "\xe9";
  // saving any entry would write that over the stored name.
  test::TempDir dir;
  const std::string latin1 = "<WifiList><wifi Name=\"caf\xe9\" Psw=\"p\"/></WifiList>";
  dir.Write("WifiList.xml", latin1);
  EXPECT_EQ(SaveWifi(dir.path(), "Home", "x"), -3);
  EXPECT_EQ(RemoveWifi(dir.path(), "caf\xe9"), -3);
  EXPECT_EQ(dir.Read("WifiList.xml"), latin1);
}

}  // namespace
}  // namespace orbo
