#include "platform/instance_lock.h"

#include <gtest/gtest.h>

#include "support/temp_dir.h"

namespace orbo {
namespace {

TEST(InstanceLockTest, SecondHolderIsRefusedUntilTheFirstLetsGo) {
  test::TempDir dir;
  const auto file = dir.path() / "ORBOSegment";
  std::string error;
  InstanceLock first, second;
  ASSERT_EQ(first.Acquire(file, &error), InstanceLockResult::kAcquired) << error;
  EXPECT_EQ(second.Acquire(file, &error), InstanceLockResult::kHeldElsewhere);
  first.Release();
  EXPECT_EQ(second.Acquire(file, &error), InstanceLockResult::kAcquired) << error;
  EXPECT_EQ(first.Acquire(dir.path() / "missing" / "x", &error), InstanceLockResult::kError);
  EXPECT_NE(error.find("missing"), std::string::npos);
}

}  // namespace
}  // namespace orbo
