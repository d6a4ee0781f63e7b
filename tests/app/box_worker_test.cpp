#include <gtest/gtest.h>

#include <algorithm>

#include "app/bridge_fakes.h"
#include "support/stops_within.h"

namespace orbo {
namespace {

using Strings = std::vector<std::string>;
using Ran = std::vector<BoxOperation>;

// The worker pauses on a StepSleeper: Advance() lets exactly one pause end
// and returns once the cycle after it is done.
class BoxWorkerTest : public test::BridgeTest {
 protected:
  void SetUp() override {
    BridgeTest::SetUp();
    BridgeServices services = Services(&sleeper_);
    services.onStop = [this] { sleeper_.Release(); };
    core_ = std::make_unique<MainFrameCore>(services);
    core_->StartWorker();
    ASSERT_TRUE(sleeper_.Advance());  // the start delay
  }
  void Cycles(int n) { ASSERT_TRUE(sleeper_.Advance(n)); }
  size_t DisableCount() const {
    auto s = view_.scripts();
    return static_cast<size_t>(std::count(s.begin(), s.end(), "DisableOperate(true);"));
  }

  test::StepSleeper sleeper_;
  std::unique_ptr<MainFrameCore> core_;
};

TEST_F(BoxWorkerTest, WaitsThreeSecondsThenCyclesEvery200Ms) {
  Cycles(2);
  auto pauses = sleeper_.pauses();
  ASSERT_GE(pauses.size(), 3u);
  EXPECT_EQ(pauses[0], 3000);
  EXPECT_EQ(pauses[1], 200);
  EXPECT_EQ(pauses[2], 200);
}

TEST_F(BoxWorkerTest, NothingHappensOffTheSetupPage) {
  link_.up = true;
  core_->HandlePageCall("5", "");
  Cycles(3);
  EXPECT_TRUE(link_.seen().empty());
  EXPECT_TRUE(ops_.ran().empty());
  EXPECT_EQ(core_->StateSnapshot().pendingCommand, 5);

  // Back to the monitor page after some setup work: the worker stops again.
  core_->OnSetupButton();
  Cycles(1);
  const size_t steps = link_.seen().size();
  EXPECT_EQ(steps, 1u);
  core_->OnMonitorButton();
  core_->HandlePageCall("13", "");
  Cycles(3);
  EXPECT_EQ(link_.seen().size(), steps);
  EXPECT_TRUE(ops_.ran().empty());
}

TEST_F(BoxWorkerTest, QueuedCommandWaitsForTheLinkAndRunsOnce) {
  core_->OnSetupButton();
  core_->HandlePageCall("5", "");
  Cycles(3);
  EXPECT_EQ(link_.seen().size(), 3u);
  EXPECT_TRUE(ops_.ran().empty());
  EXPECT_EQ(DisableCount(), 0u);
  EXPECT_EQ(core_->StateSnapshot().pendingCommand, 5);

  link_.up = true;
  Cycles(1);
  EXPECT_EQ(ops_.ran(), Ran{BoxOperation::kNetworkTest});
  EXPECT_EQ(DisableCount(), 1u);
  EXPECT_EQ(core_->StateSnapshot().pendingCommand, -1);

  Cycles(2);
  EXPECT_EQ(ops_.ran(), Ran{BoxOperation::kNetworkTest});
  EXPECT_EQ(DisableCount(), 1u);
  // The link step saw the state the page call left.
  EXPECT_EQ(link_.seen().front().pendingCommand, 5);
  EXPECT_EQ(link_.seen().front().connectMode, "USB:Download");
}

TEST_F(BoxWorkerTest, OnlyTheLastQueuedCommandRuns) {
  core_->OnSetupButton();
  core_->HandlePageCall("1", "");
  Cycles(1);
  core_->HandlePageCall("13", "");
  link_.up = true;
  Cycles(2);
  EXPECT_EQ(ops_.ran(), Ran{BoxOperation::kStopAndReboot});
}

TEST_F(BoxWorkerTest, UnknownCodesAreDroppedAfterDisablingThePage) {
  core_->OnSetupButton();
  link_.up = true;
  Cycles(1);
  EXPECT_TRUE(ops_.ran().empty());  // the setup button's reconnect
  EXPECT_EQ(DisableCount(), 1u);
  for (const char* code : {"6", "9", "42", "-7"}) {
    core_->HandlePageCall(code, "");
    Cycles(1);
    EXPECT_EQ(core_->StateSnapshot().pendingCommand, -1) << code;
  }
  EXPECT_TRUE(ops_.ran().empty());
  EXPECT_EQ(DisableCount(), 5u);
}

TEST_F(BoxWorkerTest, StopEndsAPausedWorkerAndClosesTheLink) {
  core_->OnSetupButton();
  Cycles(1);
  core_->StopWorker();  // the worker is blocked in a pause until onStop releases it
  EXPECT_EQ(link_.closed, 1);
  const size_t steps = link_.seen().size();
  core_->StopWorker();   // again: nothing more
  core_->StartWorker();  // a stopped worker stays stopped
  EXPECT_EQ(link_.closed, 1);
  EXPECT_EQ(link_.seen().size(), steps);
}

TEST(BoxWorkerLifetime, OwnSleeperIsWokenOnStop) {
  test::FakeLink link;
  BridgeServices services;
  services.link = &link;
  services.workerStartDelayMs = test::kPauseNobodySitsOut;
  MainFrameCore core(services);
  core.StartWorker();
  test::ExpectStopsWithin([&] { core.StopWorker(); });
  EXPECT_EQ(link.closed, 1);
  EXPECT_TRUE(link.seen().empty());
}

}  // namespace
}  // namespace orbo
