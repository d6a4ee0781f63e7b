#include "ops/transfer/file_services.h"

#include <gtest/gtest.h>

#include "support/temp_dir.h"

namespace orbo {
namespace {

TEST(WifiListStore, AbsentNameSavesNothingAndAbsentPasswordIsEmpty) {
  test::TempDir dir;
  const std::string list = "<WifiList>\n</WifiList>\n";
  dir.Write("WifiList.xml", list);
  WifiListStore store(dir.path());
  EXPECT_EQ(store.SaveWifi(std::nullopt, std::string("pw")), -1);
  EXPECT_EQ(dir.Read("WifiList.xml"), list);
  EXPECT_EQ(store.SaveWifi(std::string("Lab"), std::nullopt), 0);
  EXPECT_NE(dir.Read("WifiList.xml").find("<wifi Name=\"Lab\" Psw=\"\""), std::string::npos);
  EXPECT_EQ(store.RemoveWifi("Lab"), 0);
  EXPECT_EQ(store.RemoveWifi("Lab"), -1);
}

}  // namespace
}  // namespace orbo
