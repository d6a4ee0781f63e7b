// The network test: the JSON report, the text report of older boxes, the
// fallback between them, and the check of the localised ping format.
#include <gmock/gmock.h>

#include "ops/network_report.h"
#include "ops/network_test.h"
#include "ops/ping_format.h"
#include "ops_fixture.h"

namespace orbo::test {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;

const char kStars[] = "*****************************";
const char kDashes[] = "----------------------------------------------";

class NetworkReportTest : public OpsTest {
 protected:
  NetworkReportTest() { texts_["string_format"] = "%.1f/%.1f/%.1f"; }

  std::vector<std::string> Json(const std::string& reply) {
    view_.Clear();
    EXPECT_TRUE(ShowNetworkJson(reply, scripts_));
    return Shown();
  }
  std::vector<std::string> Text(const std::string& report) {
    view_.Clear();
    ShowNetworkText(report, scripts_);
    return Shown();
  }
};

TEST_F(NetworkReportTest, JsonShowsEnabledSectionsAndTheServerTimeOfTheUsedInterface) {
  EXPECT_THAT(Json(R"({"conNetType":1,"pingTime":"12.0/15.5/20.1","wifiEnable":1,)"
                   R"("wifiIp":"10.0.0.7"})"),
              ElementsAre(kStars, "@wifi_ip_address", "10.0.0.7", "@get_wifi_mac_failed",
                          "@connect_server_time", "12.0/15.5/20.1", kStars));

  // All four sections in order; 2G uses the 4G keys; the IMEI shows in both.
  EXPECT_THAT(Json(R"({"conNetType":3,"pingTime":"1/2/3","ethEnable":1,"ethIp":"192.168.1.2",)"
                   R"("ethMac":"00:11","wifiEnable":2,"Mob4GEnable":1,"Mob4GIp":"10.1.1.1",)"
                   R"("imei":"8612","Mob2GEnable":1})"),
              ElementsAre(kStars, "@ethernet_ip_address", "192.168.1.2", "@ethernet_mac_address",
                          "00:11", kStars, "@get_wifi_ip_failed", "@get_wifi_mac_failed", kStars,
                          "@mobile_network_ip_address", "10.1.1.1", "IMEI:", "8612", kStars,
                          "@get_4g_ip_failed", "IMEI:", "8612", "@connect_server_time",
                          "1.0/2.0/3.0", kStars));
}

TEST_F(NetworkReportTest, JsonPingTimeThatIsNotThreeNumbersMeansNoConnection) {
  for (const char* ping : {"\"12.0/15.5\"", "\"a/b/c\"", "\"\"", "12", "null",
                           // Only the first 32 characters are read.
                           "\"1.000000000000000000000000000/2/3\""}) {
    SCOPED_TRACE(ping);
    EXPECT_THAT(Json(std::string(R"({"conNetType":0,"ethEnable":1,"ethIp":"1.2.3.4",)") +
                     R"("ethMac":"m","pingTime":)" + ping + "}"),
                ElementsAre(kStars, "@ethernet_ip_address", "1.2.3.4", "@ethernet_mac_address", "m",
                            "@connect_server_failed", kStars));
  }
}

TEST_F(NetworkReportTest, JsonKeysAreCaseSensitiveAndWrongTypesCountAsMissing) {
  EXPECT_THAT(Json(R"({"EthEnable":1,"wifiEnable":"1","Mob4GEnable":0.5})"), ElementsAre(kStars));
  EXPECT_THAT(Json(R"({"conNetType":"0","ethEnable":1,"ethip":"1.2.3.4","ethMac":7})"),
              ElementsAre(kStars, "@get_ethernet_ip_failed", "@get_ethernet_mac_failed", kStars));
  // Box text reaches the page only inside an escaped literal.
  EXPECT_THAT(Json(R"({"ethEnable":1,"ethIp":"\");alert(1);//","ethMac":"a\nb"})"),
              ElementsAre(kStars, "@ethernet_ip_address", "\\\");alert(1);//",
                          "@ethernet_mac_address", "a\\nb", kStars));
}

TEST_F(NetworkReportTest, ReplyThatIsNotAJsonObjectShowsNothing) {
  for (const char* reply : {"eth0:0,ip:1.2.3.4\n,ping:3ms\n;", "[1,2]", "{\"ethEnable\":1", ""}) {
    SCOPED_TRACE(reply);
    view_.Clear();
    EXPECT_FALSE(ShowNetworkJson(reply, scripts_));
    EXPECT_TRUE(Shown().empty());
  }
}

TEST_F(NetworkReportTest, TextRecordsShowStateAddressAndPing) {
  EXPECT_THAT(Text("eth0:1,ip:,ping:;"),
              ElementsAre(kStars, "@set_ethernet_failed", "@get_ethernet_ip_failed",
                          "@connect_server_failed", kStars));
  EXPECT_THAT(Text("ppp0:0,ip:10.1.2.3,ping:40ms\n;"),
              ElementsAre(kStars, "@mobile_network_ip_address", "10.1.2.3", "@connect_server_time",
                          "40.0/40.0/40.0", kStars));
  // The address ends at its line break; a third time below the second
  // makes the middle one a third of itself.
  EXPECT_THAT(Text("wlan0:0,ip:192.168.3.4\nrest,ping:12ms\n30ms\n15ms\n;"),
              ElementsAre(kStars, "@wifi_ip_address", "192.168.3.4", "@connect_server_time",
                          "12.0/10.0/15.0", kStars));
  EXPECT_THAT(Text("eth1:2,ip:,ping:5ms\n7ms\n;"),
              ElementsAre(kStars, "@set_4g_failed", "@mobile_network", "@connect_server_time",
                          "5.0/2.3/5.0", kStars));
  // Unknown interfaces show only what does not depend on the interface.
  EXPECT_THAT(Text("usb0:1,ip:1.1.1.1,ping:2ms\n;"),
              ElementsAre(kStars, "@connect_server_time", "2.0/2.0/2.0", kStars));
  // A ping value without a readable time is no measurement.
  EXPECT_THAT(
      Text("eth0:0,ip:1.1.1.1,ping:timeout;"),
      ElementsAre(kStars, "@ethernet_ip_address", "1.1.1.1", "@connect_server_failed", kStars));
}

TEST_F(NetworkReportTest, TextReportHasAtMostThreeRecords) {
  // Two lines per record, one at the end.
  const std::string r = "eth0:1,x:1,y:2";
  // The first two may lack their ';' at the end; a third needs it.
  EXPECT_EQ(Text(r).size(), 3u);
  EXPECT_EQ(Text(r + ";" + r).size(), 5u);
  EXPECT_EQ(Text(r + ";" + r + ";" + r).size(), 5u);
  EXPECT_EQ(Text(r + ";" + r + ";" + r + ";").size(), 7u);
  EXPECT_EQ(Text(r + ";" + r + ";" + r + ";" + r + ";").size(), 7u);
  // Line breaks between records and after the last one are not records.
  EXPECT_THAT(Text("eth0:1;\r\nwlan0:1;\r\n"),
              ElementsAre(kStars, "@set_ethernet_failed", kStars, "@set_wifi_failed", kStars));
  EXPECT_THAT(Text(""), ElementsAre(kStars));
}

TEST_F(NetworkReportTest, OperationFallsBackToTheTextReport) {
  box_.Answer("TestNetworkJson\r\n", R"({"ethEnable":1,"ethIp":"1.2.3.4","ethMac":"m"})");
  EXPECT_TRUE(RunNetworkTest(ctx_));
  EXPECT_THAT(box_.commands, ElementsAre("TestNetworkJson\r\n"));
  EXPECT_EQ(Shown()[0], kDashes);
  EXPECT_EQ(Shown()[1], "@detecting_network");

  // "ERROR\r" to the JSON command; a text reply shorter than that must not
  // pick up its leftovers.
  view_.Clear();
  box_.commands.clear();
  box_.Answer("TestNetworkJson\r\n", "ERROR\r");
  box_.Answer("TestNetwork\r\n", "eth0");
  EXPECT_TRUE(RunNetworkTest(ctx_));
  EXPECT_THAT(box_.commands, ElementsAre("TestNetworkJson\r\n", "TestNetwork\r\n"));
  EXPECT_THAT(Shown(),
              ElementsAre(kDashes, "@detecting_network", kStars, "@set_ethernet_failed", kStars));

  view_.Clear();
  box_.Answer("TestNetwork\r\n", "ERROR\r");
  EXPECT_FALSE(RunNetworkTest(ctx_));
  EXPECT_THAT(Shown(), ElementsAre(kDashes, "@detecting_network", "@detect_network_failed"));

  // Nonsense instead of JSON, or a report cut at the reply buffer's end.
  for (const std::string& reply :
       {std::string("garbage{"), "{\"ethIp\":\"" + std::string(1100, '1') + "\"}"}) {
    view_.Clear();
    box_.Answer("TestNetworkJson\r\n", reply);
    EXPECT_FALSE(RunNetworkTest(ctx_));
    EXPECT_THAT(Shown(), ElementsAre(kDashes, "@detecting_network", "@detect_network_failed"));
  }
}

TEST(PingFormatTest, OnlyFormatsTakingThreeDoublesAreApplied) {
  for (const char* ok : {"%f %e %g", "%.1f ms / %.1f ms / %.1f ms", "%-8.3E|%+G|%#a%%",
                         "%% %lf/%lf/%lf", "%010.2F %A %05g", "%.f%.e%.g"}) {
    EXPECT_TRUE(IsThreeTimesFormat(ok)) << ok;
  }
  for (const char* bad : {"%f %f", "%f %f %f %f", "%d %f %f", "%s/%s/%s", "%f %f %n", "%*f %f %f",
                          "%.*f %f %f", "%Lf %f %f", "%f %f %f%", "%1000f %f %f", "%f %f %.1000f",
                          "%hf %f %f", "", "no conversions", "%p %f %f", "%llf %f %f"}) {
    EXPECT_FALSE(IsThreeTimesFormat(bad)) << bad;
  }
  EXPECT_FALSE(IsThreeTimesFormat(std::string_view("%f\0%f %f", 8)));

  EXPECT_EQ(FormatPingTimes("%.2f|%.0f|%g", 1.5, 2.4, 3), "1.50|2|3");
  EXPECT_EQ(FormatPingTimes("%s %s %s", 1.5, 2.4, 3), "1.5 ms / 2.4 ms / 3.0 ms");
  EXPECT_EQ(FormatPingTimes("", 1, 2, 3), "1.0 ms / 2.0 ms / 3.0 ms");
}

TEST_F(NetworkReportTest, LocalisedFormatThatCannotBeAppliedGivesTheBuiltInOne) {
  texts_["string_format"] = "%s ms";
  EXPECT_THAT(Text("eth0:0,ip:1.1.1.1,ping:4ms\n;"),
              ElementsAre(kStars, "@ethernet_ip_address", "1.1.1.1", "@connect_server_time",
                          "4.0 ms / 4.0 ms / 4.0 ms", kStars));
}

}  // namespace
}  // namespace orbo::test
