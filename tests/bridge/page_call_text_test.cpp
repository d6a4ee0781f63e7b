#include <gtest/gtest.h>

#include "base/codepage.h"
#include "bridge/page_call_text.h"

namespace orbo {
namespace {

TEST(ParseCommandNumber, ReadsLikeStrtol) {
  EXPECT_EQ(ParseCommandNumber("14"), 14);
  EXPECT_EQ(ParseCommandNumber("  \t\r\n12abc"), 12);
  EXPECT_EQ(ParseCommandNumber("+7"), 7);
  EXPECT_EQ(ParseCommandNumber("-3"), -3);
  EXPECT_EQ(ParseCommandNumber("007"), 7);
}

TEST(ParseCommandNumber, TextWithoutDigitsIsZero) {
  EXPECT_EQ(ParseCommandNumber(""), 0);
  EXPECT_EQ(ParseCommandNumber("abc"), 0);
  EXPECT_EQ(ParseCommandNumber("-"), 0);
  EXPECT_EQ(ParseCommandNumber(" + 5"), 0);
  EXPECT_EQ(ParseCommandNumber("x14"), 0);
}

TEST(ParseCommandNumber, HugeValuesClampInsteadOfWrapping) {
  EXPECT_EQ(ParseCommandNumber("2147483647"), 2147483647);
  EXPECT_EQ(ParseCommandNumber("2147483648"), 2147483647);
  EXPECT_EQ(ParseCommandNumber("99999999999999999999999"), 2147483647);
  EXPECT_EQ(ParseCommandNumber("-2147483648"), -2147483647 - 1);
  EXPECT_EQ(ParseCommandNumber("-99999999999999999999999"), -2147483647 - 1);
}

TEST(SplitSkippingEmpty, BehavesLikeStrtok) {
  using V = std::vector<std::string>;
  EXPECT_EQ(SplitSkippingEmpty("a\x02"
                               "b",
                               '\x02'),
            (V{"a", "b"}));
  EXPECT_EQ(SplitSkippingEmpty("\x02\x02"
                               "a\x02\x02"
                               "b\x02",
                               '\x02'),
            (V{"a", "b"}));
  EXPECT_EQ(SplitSkippingEmpty("", '\x02'), V{});
  EXPECT_EQ(SplitSkippingEmpty("\x02\x02", '\x02'), V{});
  EXPECT_EQ(SplitSkippingEmpty("a\x02"
                               "b\x02"
                               "c",
                               '\x02'),
            (V{"a", "b", "c"}));
}

TEST(ParseWifiFields, FieldsAndTheByteLimitInTheCodePage) {
  ScopedCodepage cp("CP1252");
  std::optional<std::string> name, password;
  ASSERT_TRUE(ParseWifiFields("Caf\xC3\xA9\x02pa ss", &name, &password));
  EXPECT_EQ(name, "Caf\xC3\xA9");
  EXPECT_EQ(password, "pa ss");

  // An empty name is skipped, so the password takes the name's place.
  ASSERT_TRUE(ParseWifiFields("\x02secret", &name, &password));
  EXPECT_EQ(name, "secret");
  EXPECT_EQ(password, std::nullopt);

  ASSERT_TRUE(ParseWifiFields("", &name, &password));
  EXPECT_EQ(name, std::nullopt);
  EXPECT_EQ(password, std::nullopt);

  // 255 "é" are 510 UTF-8 bytes but 255 bytes in CP1252: accepted.
  std::string e255;
  for (int i = 0; i < 255; ++i) e255 += "\xC3\xA9";
  EXPECT_TRUE(ParseWifiFields(e255, &name, &password));
  EXPECT_EQ(name, e255);
  // One byte more is refused and yields nothing.
  EXPECT_FALSE(ParseWifiFields(e255 + "x", &name, &password));
  EXPECT_EQ(name, std::nullopt);
  EXPECT_EQ(password, std::nullopt);
}

}  // namespace
}  // namespace orbo
