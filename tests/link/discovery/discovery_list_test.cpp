#include "link/discovery/discovery_list.h"

#include <gtest/gtest.h>

namespace orbo {
namespace {

TEST(DiscoveryListTest, SweepEntriesCompareWholeAddresses) {
  DiscoveryList list("192.168.1.10;");
  // A prefix of a listed address is a different box.
  EXPECT_TRUE(list.AppendUnlessListed("192.168.1.1"));
  EXPECT_EQ(list.Text(), "192.168.1.10;192.168.1.1;");
  // So is a suffix of one.
  EXPECT_TRUE(list.AppendUnlessListed("2.168.1.1"));
  EXPECT_TRUE(list.AppendUnlessListed("92.168.1.10"));
  // The same address, first or last in the list, is not added again.
  EXPECT_FALSE(list.AppendUnlessListed("192.168.1.10"));
  EXPECT_FALSE(list.AppendUnlessListed("92.168.1.10"));
  EXPECT_EQ(list.Text(), "192.168.1.10;192.168.1.1;2.168.1.1;92.168.1.10;");
}

TEST(DiscoveryListTest, BroadcastRepliesAreListedEveryTime) {
  DiscoveryList list;
  list.Append("10.0.0.7");
  list.Append("10.0.0.7");
  EXPECT_EQ(list.Text(), "10.0.0.7;10.0.0.7;");
  EXPECT_FALSE(list.AppendUnlessListed("10.0.0.7"));
}

}  // namespace
}  // namespace orbo
