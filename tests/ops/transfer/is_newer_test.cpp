#include <gtest/gtest.h>

#include "ops/transfer/firmware_update.h"

namespace orbo {
namespace {

TEST(IsNewer, ComparesNumbersNotText) {
  EXPECT_TRUE(IsNewer("V1.10.0-P:FS", "V1.2.0-P:FS"));
  EXPECT_FALSE(IsNewer("V1.2.0-P:FS", "V1.10.0-P:FS"));
  EXPECT_FALSE(IsNewer("V1.0.0", "V1.0.0"));
  EXPECT_TRUE(IsNewer("V2.0.1", "V2.0.0"));
  EXPECT_FALSE(IsNewer("V2.0.0", "V2.0.1"));
  // Missing numbers are 0; leading zeros do not count.
  EXPECT_FALSE(IsNewer("V1.2", "V1.2.0"));
  EXPECT_TRUE(IsNewer("V1.2.0.1", "V1.2"));
  EXPECT_FALSE(IsNewer("V01.002", "V1.2"));
  // Numbers longer than any integer still compare exactly.
  EXPECT_TRUE(IsNewer("V1.123456789012345678901", "V1.123456789012345678900"));
  EXPECT_FALSE(IsNewer("V1.99999999999999999999", "V1.100000000000000000000"));
}

TEST(IsNewer, DifferentProductTagsNeverUpdate) {
  EXPECT_FALSE(IsNewer("V2.0.0-P:AB", "V1.0.0-P:FS"));
  // The tag ends at a space.
  EXPECT_FALSE(IsNewer("V2.0.0-P:FS build 7", "V1.0.0-P:FT"));
  EXPECT_TRUE(IsNewer("V2.0.0-P:FS build 7", "V1.0.0-P:FS"));
  // A tag on one side only does not block.
  EXPECT_TRUE(IsNewer("V2.0.0-P:AB", "V1.0.0"));
  EXPECT_TRUE(IsNewer("V2.0.0", "V1.0.0-P:FS"));
}

TEST(IsNewer, ScanRules) {
  // Anything before the first number is skipped; dots separate numbers;
  // another character after the first number ends the scan.
  EXPECT_TRUE(IsNewer("..Version 3", "V2.9.9"));
  EXPECT_FALSE(IsNewer("V1.0-9", "V1.0.0"));  // "-9" is not read
  EXPECT_FALSE(IsNewer("V1.0 2", "V1.0"));
  EXPECT_TRUE(IsNewer("V1..2", "V1.1"));
  // Only ten numbers count.
  EXPECT_FALSE(IsNewer("1.1.1.1.1.1.1.1.1.1.9", "1.1.1.1.1.1.1.1.1.1.1"));
  EXPECT_TRUE(IsNewer("1.1.1.1.1.1.1.1.1.2", "1.1.1.1.1.1.1.1.1.1.9"));
  // No numbers at all read as zeros.
  EXPECT_FALSE(IsNewer("", ""));
  EXPECT_FALSE(IsNewer("none", "V0"));
  EXPECT_TRUE(IsNewer("V0.1", "none"));
}

}  // namespace
}  // namespace orbo
