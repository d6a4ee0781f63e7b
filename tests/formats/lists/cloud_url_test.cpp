#include "formats/lists/cloud_url.h"

#include <gtest/gtest.h>

#include "base/utf.h"
#include "support/temp_dir.h"

namespace orbo {
namespace {

TEST(CloudUrl, ReadsUrl2OfBaseSet) {
  test::TempDir dir;
  dir.Write("html/Default.xml",
            "<?xml version=\"1.0\"?>\n<QXBoxSet>\n <Other URL2=\"wrong\"/>\n"
            " <BaseSet Name=\"x\" URL2=\"https://cloud.example.com/?a=1&amp;b=2\"/>\n"
            "</QXBoxSet>\n");
  std::string url = "old";
  EXPECT_EQ(GetCloudUrl(dir.path(), &url), 1);
  EXPECT_EQ(url, "https://cloud.example.com/?a=1&b=2");
}

TEST(CloudUrl, MissingFileOrElementsLeaveTheValueButAMissingAttributeEmptiesIt) {
  test::TempDir dir;
  std::string url = "keep";
  EXPECT_EQ(GetCloudUrl(dir.path(), &url), 1);
  EXPECT_EQ(url, "keep");
  EXPECT_EQ(LoadCloudUrl(dir.path()), std::nullopt);

  dir.Write("html/Default.xml", "<Settings><BaseSet URL2=\"x\"/></Settings>");
  EXPECT_EQ(GetCloudUrl(dir.path(), &url), 1);
  EXPECT_EQ(url, "keep");

  dir.Write("html/Default.xml", "<QXBoxSet><Network/></QXBoxSet>");
  EXPECT_EQ(GetCloudUrl(dir.path(), &url), 1);
  EXPECT_EQ(url, "keep");

  dir.Write("html/Default.xml", "<QXBoxSet><BaseSet/></QXBoxSet>");
  EXPECT_EQ(GetCloudUrl(dir.path(), &url), 1);
  EXPECT_EQ(url, "");
}

TEST(CloudUrl, IsCutTo259CharactersNotBytes) {
  test::TempDir dir;
  std::string long_url = "https://cloud.example.com/";
  while (Utf8Length(long_url) < 300) long_url += "\xC3\xA9";  // two bytes each
  dir.Write("html/Default.xml", "<QXBoxSet><BaseSet URL2=\"" + long_url + "\"/></QXBoxSet>");
  std::string url;
  GetCloudUrl(dir.path(), &url);
  EXPECT_EQ(Utf8Length(url), 259u);
  EXPECT_TRUE(IsValidUtf8(url));
  EXPECT_EQ(url, long_url.substr(0, url.size()));
}

}  // namespace
}  // namespace orbo
