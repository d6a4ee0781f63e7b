#include <gtest/gtest.h>

#include "ops/transfer/transfer_ops.h"
#include "support/temp_dir.h"

namespace orbo {
namespace {

constexpr char kTemplate[] =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<QXBoxSet>\n"
    "  <!-- page settings -->\n"
    "  <BaseSet URL2=\"monitor.html\"/>\n"
    "  <Ethernet DHCP=\"1\" IP=\"192.168.1.100\"/>\n"
    "  <Wifi Enable=\"0\" SSID=\"\"/>\n"
    "</QXBoxSet>\n";

class SetupXml : public ::testing::Test {
 protected:
  void SetUp() override { dir.Write("html/Default.xml", kTemplate); }
  int Build(const std::string& form) { return BuildSetupXml(dir.path(), form); }
  std::string Setup() const { return dir.Read("setup.xml"); }
  test::TempDir dir;
};

TEST_F(SetupXml, AppliesEveryTripleAndChangesNothingElse) {
  ASSERT_EQ(Build("Ethernet\x02"
                  "DHCP\x02"
                  "0\x02"
                  "Wifi\x02SSID\x02"
                  "Caf\xC3\xA9 & \"Co\"\x02"
                  "Wifi\x02Psw\x02s3cret\x02"),
            0);
  EXPECT_EQ(Setup(),
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
            "<QXBoxSet>\n"
            "  <!-- page settings -->\n"
            "  <BaseSet URL2=\"monitor.html\"/>\n"
            "  <Ethernet DHCP=\"0\" IP=\"192.168.1.100\"/>\n"
            "  <Wifi Enable=\"0\" SSID=\"Caf\xC3\xA9 &amp; &quot;Co&quot;\" Psw=\"s3cret\"/>\n"
            "</QXBoxSet>\n");
  EXPECT_EQ(dir.Read("html/Default.xml"), kTemplate);  // the template stays as shipped
}

TEST_F(SetupXml, UnknownElementsAndEmptyTokensAreSkipped) {
  ASSERT_EQ(Build("Cellular\x02"
                  "APN\x02internet\x02\x02\x02\x02"
                  "Ethernet\x02IP\x02"
                  "10.0.0.5\x02"),
            0);
  const std::string text = Setup();
  EXPECT_EQ(text.find("Cellular"), std::string::npos);
  EXPECT_NE(text.find("IP=\"10.0.0.5\""), std::string::npos);
}

TEST_F(SetupXml, ALastTokenWithoutItsSeparatorEndsTheFormAfterTheLastTriple) {
  ASSERT_EQ(Build("Ethernet\x02"
                  "DHCP\x02"
                  "0\x02"
                  "Wifi\x02"
                  "Enable\x02"
                  "1"),
            -1);  // five tokens consumed
  EXPECT_FALSE(std::filesystem::exists(dir / "setup.xml"));

  ASSERT_EQ(Build("Ethernet\x02"
                  "DHCP\x02"
                  "0\x02"
                  "Wifi"),
            0);  // three consumed, the rest ignored
  EXPECT_NE(Setup().find("DHCP=\"0\""), std::string::npos);
  EXPECT_NE(Setup().find("Enable=\"0\""), std::string::npos);
}

TEST_F(SetupXml, FailuresKeepThePreviousSetupFile) {
  dir.Write("setup.xml", "previous");
  EXPECT_EQ(Build(""), -1);
  EXPECT_EQ(Build("Ethernet\x02"
                  "DHCP\x02"
                  "0\x02"
                  "Wifi\x02"),
            -1);  // four tokens
  EXPECT_EQ(Setup(), "previous");

  std::filesystem::remove(dir / "html/Default.xml");
  EXPECT_EQ(Build("Ethernet\x02"
                  "DHCP\x02"
                  "0\x02"),
            -1);
  dir.Write("html/Default.xml", "<QXBoxSet><Ethernet></QXBoxSet>");
  EXPECT_EQ(Build("Ethernet\x02"
                  "DHCP\x02"
                  "0\x02"),
            -1);
  EXPECT_EQ(Setup(), "previous");
}

}  // namespace
}  // namespace orbo
