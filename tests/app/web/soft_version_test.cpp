// CurSoftVer from ReleaseLog.log.
#include <gtest/gtest.h>

#include "app/web/soft_version.h"
#include "support/temp_dir.h"

namespace orbo {
namespace {

TEST(SoftVersionTest, ReadsThreeNumbersAfterTheFirstV) {
  EXPECT_EQ(SoftVersionFromHelpText("HMI V2.3.4 build"), "2.3.4");
  EXPECT_EQ(SoftVersionFromHelpText("V 1. 2. 3"), "1.2.3");  // %d skips white space
  EXPECT_EQ(SoftVersionFromHelpText("V1.2.3.4"), "1.2.3");
  EXPECT_EQ(SoftVersionFromHelpText("V-1.+2.003"), "-1.2.3");
  EXPECT_EQ(SoftVersionFromHelpText("aV1.0.0 V9.9.9"), "1.0.0");
}

TEST(SoftVersionTest, MissingMarkerOrNumbersGiveNoVersion) {
  for (const char* text : {"", "2.3.4", "v2.3.4", "Version 2.3.4", "V2.3", "V2..3", "V2 .3.4",
                           "V2.3.x", "V99999999999.1.1"}) {
    EXPECT_EQ(SoftVersionFromHelpText(text), std::nullopt) << text;
  }
}

TEST(SoftVersionTest, FileFallsBackToTheToolVersion) {
  test::TempDir dir;
  EXPECT_EQ(ReadSoftVersion(dir.path(), "0.1.0"), "0.1.0");  // no file

  dir.Write("ReleaseLog.log",
            "<?xml version=\"1.0\"?>\n<HMISet>\n  <Other/>\n  <Hmi Help_Ch=\"HMI V2.3.4 build\"/>\n"
            "</HMISet>\n");
  EXPECT_EQ(ReadSoftVersion(dir.path(), "0.1.0"), "2.3.4");

  dir.Write("ReleaseLog.log", "<HMISet><Hmi Help_Ch=\"no version\"/></HMISet>");
  EXPECT_EQ(ReadSoftVersion(dir.path(), "0.1.0"), "0.1.0");
  dir.Write("ReleaseLog.log", "<HMISet><Hmi/></HMISet>");
  EXPECT_EQ(ReadSoftVersion(dir.path(), "0.1.0"), "0.1.0");
  dir.Write("ReleaseLog.log", "<Other><Hmi Help_Ch=\"V1.2.3\"/></Other>");
  EXPECT_EQ(ReadSoftVersion(dir.path(), "0.1.0"), "0.1.0");
  dir.Write("ReleaseLog.log", std::string("\x00\xff garbage", 10));
  EXPECT_EQ(ReadSoftVersion(dir.path(), "0.1.0"), "0.1.0");
}

}  // namespace
}  // namespace orbo
