// Which pages get the bridge.
#include <gtest/gtest.h>

#include "app/web/page_origin.h"

namespace orbo {
namespace {

const std::filesystem::path kApp = "/opt/orbo";
constexpr const char* kMonitor = "https://cloud.example.com/monitor/index.html?x=1";

TEST(PageOriginTest, ToolPagesUnderTheHtmlFolderGetTheBridge) {
  EXPECT_TRUE(IsBridgePage("file:///opt/orbo/html/first_page.html", kApp, ""));
  EXPECT_TRUE(IsBridgePage("file:///opt/orbo/html/sub/page.html?a#b", kApp, ""));
  EXPECT_TRUE(IsBridgePage("file://localhost/opt/orbo/html/x.html", kApp, ""));
  EXPECT_TRUE(IsBridgePage("FILE:///opt/orbo/html/%66irst.html", kApp, ""));
  EXPECT_TRUE(IsBridgePage("file:///opt/orbo/html/x.html", "/opt/orbo/", ""));
}

TEST(PageOriginTest, FilesOutsideTheHtmlFolderDoNot) {
  for (const char* uri :
       {"file:///opt/orbo/setup.xml", "file:///opt/orbo/htmlx/page.html", "file:///opt/orbo/html",
        "file:///opt/orbo/html/../SoftLang.ini", "file:///opt/orbo/html/%2e%2e/secret.html",
        "file:///tmp/page.html", "file://evil.example/opt/orbo/html/x.html",
        "file:///opt/orbo/html/%zz.html", "file:///opt/orbo/html/a%00.html"}) {
    EXPECT_FALSE(IsBridgePage(uri, kApp, kMonitor)) << uri;
  }
}

TEST(PageOriginTest, TheMonitorSiteGetsTheBridgeOtherSitesDoNot) {
  EXPECT_TRUE(IsBridgePage("https://cloud.example.com/other/page", kApp, kMonitor));
  EXPECT_TRUE(IsBridgePage("https://CLOUD.example.com:443/", kApp, kMonitor));
  EXPECT_TRUE(IsBridgePage("https://user@cloud.example.com/", kApp, kMonitor));
  for (const char* uri :
       {"http://cloud.example.com/monitor/index.html", "https://cloud.example.com:8443/",
        "https://cloud.example.com.evil.example/", "https://evil.example/?cloud.example.com",
        "https://cloud.example.com@evil.example/", "about:blank", "data:text/html,x",
        "javascript:alert(1)", ""}) {
    EXPECT_FALSE(IsBridgePage(uri, kApp, kMonitor)) << uri;
  }
  // No monitor address: no remote page at all.
  EXPECT_FALSE(IsBridgePage("https://cloud.example.com/", kApp, ""));
}

TEST(PageOriginTest, LocalMonitorPageAllowsThatFileOnly) {
  EXPECT_TRUE(IsBridgePage("file:///srv/mon/index.html", kApp, "/srv/mon/index.html"));
  EXPECT_TRUE(IsBridgePage("file:///srv/mon/index.html", kApp, "file:///srv/mon/index.html"));
  EXPECT_FALSE(IsBridgePage("file:///srv/mon/other.html", kApp, "/srv/mon/index.html"));
}

TEST(PageOriginTest, AddressesWithoutSchemeBecomeFileUris) {
  EXPECT_EQ(PageAddressToUri("/opt/orbo/html/first_page.html"),
            "file:///opt/orbo/html/first_page.html");
  EXPECT_EQ(PageAddressToUri("/opt/my orbo/html/a#b.html"),
            "file:///opt/my%20orbo/html/a%23b.html");
  EXPECT_EQ(PageAddressToUri("https://cloud.example.com/x"), "https://cloud.example.com/x");
  // The window's own first page passes the rule it is held to.
  EXPECT_TRUE(
      IsBridgePage(PageAddressToUri("/opt/my orbo/html/first_page.html"), "/opt/my orbo", ""));
}

}  // namespace
}  // namespace orbo
