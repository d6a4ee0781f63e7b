// How a page call's arguments are copied and read on both sides.
#include <gtest/gtest.h>

#include <limits>

#include "app/web/call_arguments.h"
#include "bridge/page_call_text.h"

namespace orbo {
namespace {

PageArg Number(double n) {
  PageArg a;
  a.type = PageArg::Type::kNumber;
  a.number = n;
  return a;
}
PageArg Text(const std::string& s) {
  PageArg a;
  a.type = PageArg::Type::kString;
  a.text = s;
  return a;
}
PageArg Other() {
  return PageArg();
}

TEST(CallArgumentsTest, NumbersAreIntegersOnlyWhenExactInt32) {
  EXPECT_EQ(ExactInt32(7), 7);
  EXPECT_EQ(ExactInt32(-2147483648.0), std::numeric_limits<int32_t>::min());
  EXPECT_EQ(ExactInt32(2147483647.0), std::numeric_limits<int32_t>::max());
  EXPECT_EQ(ExactInt32(2147483648.0), std::nullopt);
  EXPECT_EQ(ExactInt32(1.5), std::nullopt);
  EXPECT_EQ(ExactInt32(-0.0), std::nullopt);
  EXPECT_EQ(ExactInt32(std::numeric_limits<double>::quiet_NaN()), std::nullopt);
  EXPECT_EQ(ExactInt32(std::numeric_limits<double>::infinity()), std::nullopt);

  const CallArgs copied = CopyCallArgs({Number(3), Number(3.25)});
  EXPECT_EQ(copied, (CallArgs{int32_t{3}, 3.25}));
}

TEST(CallArgumentsTest, UnstorableArgumentsLeaveHolesAndShortenTheList) {
  EXPECT_EQ(CopyCallArgs({Text("5"), Other()}), (CallArgs{std::string("5")}));
  EXPECT_EQ(CopyCallArgs({Other(), Text("x")}), (CallArgs{std::nullopt, std::string("x")}));
  EXPECT_TRUE(CopyCallArgs({Other(), Other()}).empty());
}

// The page's process reads the command number with the window's own reader.
TEST(CallArgumentsTest, CommandNumberReadsLikeStrtol) {
  EXPECT_EQ(ParseCommandNumber("12"), 12);
  EXPECT_EQ(ParseCommandNumber("  \t-3x"), -3);
  EXPECT_EQ(ParseCommandNumber("+24"), 24);
  EXPECT_EQ(ParseCommandNumber("abc"), 0);
  EXPECT_EQ(ParseCommandNumber(""), 0);
  EXPECT_EQ(ParseCommandNumber("23\0"
                               "5"),
            23);
  // Far beyond int: clamped, and certainly not 23.
  EXPECT_NE(ParseCommandNumber("99999999999999999999999"), 23);
}

TEST(CallArgumentsTest, OnlyStringCommands23And24AreAnsweredInThePage) {
  EXPECT_EQ(AnsweredInPage({std::string("23")}), 23);
  EXPECT_EQ(AnsweredInPage({std::string(" 24 "), int32_t{1}}), 24);
  EXPECT_EQ(AnsweredInPage({int32_t{23}, std::string("")}), std::nullopt);
  EXPECT_EQ(AnsweredInPage({std::string("230")}), std::nullopt);
  EXPECT_EQ(AnsweredInPage({}), std::nullopt);
  EXPECT_EQ(AnsweredInPage({std::nullopt, std::string("23")}), std::nullopt);
}

TEST(CallArgumentsTest, WindowReadsExactlyTwoEntriesAsText) {
  std::string v1 = "old", v2 = "old";
  EXPECT_FALSE(ReadPageCall({std::string("5")}, &v1, &v2));
  EXPECT_FALSE(ReadPageCall({std::string("5"), std::string(""), std::string("")}, &v1, &v2));
  EXPECT_EQ(v1, "old");
  ASSERT_TRUE(ReadPageCall({int32_t{7}, std::string("a")}, &v1, &v2));
  EXPECT_EQ(v1, "");  // a number reads as empty text: command 0
  EXPECT_EQ(v2, "a");
  ASSERT_TRUE(ReadPageCall({std::nullopt, true}, &v1, &v2));
  EXPECT_EQ(v1, "");
  EXPECT_EQ(v2, "");
}

}  // namespace
}  // namespace orbo
