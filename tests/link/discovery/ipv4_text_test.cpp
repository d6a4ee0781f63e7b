#include "link/discovery/ipv4_text.h"

#include <gtest/gtest.h>

namespace orbo {
namespace {

TEST(Ipv4TextTest, AcceptsOnlyFourDecimalNumbersUpTo255) {
  const auto parsed = ParseIpv4("10.0.5.77");
  ASSERT_TRUE(parsed);
  EXPECT_EQ(FormatIpv4(*parsed), "10.0.5.77");
  EXPECT_EQ(HostInNetwork(*parsed, 141), "10.0.5.141");
  ASSERT_TRUE(ParseIpv4("255.255.255.255"));
  ASSERT_TRUE(ParseIpv4("010.001.000.009"));
  EXPECT_EQ(FormatIpv4(*ParseIpv4("010.001.000.009")), "10.1.0.9");

  for (const char* bad : {"", "10.0.5", "10.0.5.77.1", "10.0.5.256", "10.0.5.", ".10.0.5.7",
                          "10..5.7", "10.0.5.7 ", " 10.0.5.7", "10.0.5.0007", "10.0.5.-1",
                          "10.0.5.+1", "box.local", "10.0.5.7;", "1e1.0.0.1", "10.0.5.7\n"}) {
    EXPECT_FALSE(ParseIpv4(bad)) << '"' << bad << '"';
  }
}

}  // namespace
}  // namespace orbo
