// The worker's link step: failure counting and the lost-box report, the
// discovery and setup-upload requests, and identification of known and
// unknown boxes.
#include "ops/detect_box.h"

#include <gmock/gmock.h>

#include "base/codepage.h"
#include "ops/text_scan.h"
#include "ops_fixture.h"

namespace orbo::test {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

class DetectBoxTest : public OpsTest {
 protected:
  DetectBoxTest()
      : step_(ctx_, [this](BoxLink& link, const CommandState&) {
          ++connects_;
          link.Attach(&box_);
          return linkUp_;
        }) {
    state_ = CommandState::MainWindowStart();
    state_.pendingCommand = -1;
    state_.offerSetupUpload = 0;
    box_.Answer("GetHMIType\r", "OP-X70");
    box_.Answer("GetRmtSN\r\n", "SN-0042");
    box_.Answer("GetBoxMode\r\n", "Mode=2");
  }

  bool Cycle() { return step_.ConnectAndDetect(state_); }

  // Runs n failing cycles; each must return false.
  void FailCycles(int n) {
    linkUp_ = false;
    for (int i = 0; i < n; ++i) ASSERT_FALSE(Cycle());
  }

  int Reports() const {
    int n = 0;
    for (const auto& s : Shown()) n += s == "@detect_orbo_failed" ? 1 : 0;
    return n;
  }

  bool linkUp_ = true;
  int connects_ = 0;
  CommandState state_;
  DetectLinkStep step_;
};

TEST_F(DetectBoxTest, KnownBoxIsShownOnceThenEachCycleOnlyEnablesThePage) {
  EXPECT_TRUE(Cycle());
  EXPECT_THAT(box_.commands, ElementsAre("GetHMIType\r", "GetRmtSN\r\n", "GetBoxMode\r\n"));
  EXPECT_THAT(Shown(), ElementsAre("DetectBox(\"OP-X70\", 2);", "SN-0042"));
  EXPECT_EQ(state_.detectRequested, 0);
  EXPECT_EQ(state_.boxMode, 2);
  EXPECT_EQ(state_.hmiTypeText, "OP-X70");
  EXPECT_EQ(state_.serialText, "SN-0042");

  view_.Clear();
  box_.commands.clear();
  const int64_t before = sleeper_.now_ms();
  EXPECT_TRUE(Cycle());
  EXPECT_THAT(box_.commands, IsEmpty());
  EXPECT_THAT(Shown(), ElementsAre("DisableOperate(false);"));
  EXPECT_EQ(sleeper_.now_ms() - before, 100);
}

TEST_F(DetectBoxTest, BoxThatDoesNotIdentifyItselfIsUnknownAndAskedAgain) {
  struct Case {
    const char* name;
    std::string type;
    std::string serial;
    bool result;
    int commands;
  } cases[] = {
      {"type ERROR", "ERROR\r", "SN-1", false, 1},
      {"type silent", "", "SN-1", false, 1},
      {"serial ERROR", "OP-X70", "ERROR\r", false, 3},
      {"serial silent", "OP-X70", "", false, 3},
      {"serial echoes type", "OP-X70", "OP-X70-echo", true, 3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    box_.commands.clear();
    view_.Clear();
    box_.Answer("GetHMIType\r", c.type);
    box_.Answer("GetRmtSN\r\n", c.serial);
    state_.detectRequested = 1;
    state_.linkDown = 1;
    state_.hmiTypeText = "stale";
    EXPECT_EQ(Cycle(), c.result);
    EXPECT_EQ(static_cast<int>(box_.commands.size()), c.commands);
    EXPECT_THAT(Shown(), ElementsAre("DetectBox(\"UNKNOWN\", -1);"));
    EXPECT_EQ(state_.detectRequested, 1);
    EXPECT_EQ(state_.linkDown, 0);
    EXPECT_EQ(state_.hmiTypeText, "");
  }
}

TEST_F(DetectBoxTest, ModeThatCannotBeReadLeavesMinusOneButTheBoxKnown) {
  for (const char* reply : {"ERROR\r", "Mode=x", "mode=3", ""}) {
    SCOPED_TRACE(reply);
    view_.Clear();
    box_.Answer("GetBoxMode\r\n", reply);
    state_.detectRequested = 1;
    state_.boxMode = 5;
    EXPECT_TRUE(Cycle());
    EXPECT_THAT(Shown(), ElementsAre("DetectBox(\"OP-X70\", -1);", "SN-0042"));
  }
}

TEST_F(DetectBoxTest, BoxTextIsDecodedFromTheCodePageAndEscapedForTheScript) {
  ScopedCodepage cp("CP1252");
  box_.Answer("GetHMIType\r", "T\xe9st\");alert(1);//\\");
  box_.Answer("GetRmtSN\r\n", "SN\xe9");
  EXPECT_TRUE(Cycle());
  EXPECT_EQ(state_.hmiTypeText, "T\xc3\xa9st\");alert(1);//\\");
  EXPECT_EQ(state_.serialText, "SN\xc3\xa9");
  EXPECT_THAT(Shown(),
              ElementsAre("DetectBox(\"T\xc3\xa9st\\\");alert(1);//\\\\\", 2);", "SN\xc3\xa9"));
}

TEST_F(DetectBoxTest, ReplyFillingTheWholeBufferIsReadWithinIt) {
  const std::string longType(1500, 'T');
  box_.Answer("GetHMIType\r", longType);
  box_.Answer("GetRmtSN\r\n", std::string(1024, 'S'));
  EXPECT_TRUE(Cycle());
  EXPECT_EQ(state_.hmiTypeText, std::string(1024, 'T'));
  EXPECT_EQ(state_.serialText, std::string(1024, 'S'));
}

TEST_F(DetectBoxTest, LostBoxIsReportedOnTheTenthFailureOnlyWhileItWasReachable) {
  ASSERT_TRUE(Cycle());  // identified; linkDown clear
  view_.Clear();

  FailCycles(9);
  EXPECT_EQ(Reports(), 0);
  EXPECT_EQ(state_.failureCount, 9);
  // A good cycle does not reset the count.
  linkUp_ = true;
  ASSERT_TRUE(Cycle());
  EXPECT_EQ(state_.failureCount, 9);
  view_.Clear();

  const int64_t before = sleeper_.now_ms();
  FailCycles(1);
  EXPECT_EQ(sleeper_.now_ms() - before, 100);
  EXPECT_THAT(Shown(), ElementsAre("@detect_orbo_failed", "DisableOperate(true);"));
  EXPECT_EQ(state_.failureCount, 0);
  EXPECT_EQ(state_.linkDown, 1);
  EXPECT_EQ(state_.detectRequested, 1);

  // Still lost: the next ten failures stay silent.
  FailCycles(10);
  EXPECT_EQ(Reports(), 1);

  // Found again: identified anew, and a later loss is reported again.
  linkUp_ = true;
  box_.commands.clear();
  ASSERT_TRUE(Cycle());
  EXPECT_EQ(box_.CountOf("GetHMIType"), 1);
  EXPECT_EQ(state_.linkDown, 0);
  FailCycles(10);
  EXPECT_EQ(Reports(), 2);
}

TEST_F(DetectBoxTest, CyclesThatDoNotLookAtTheLinkCountNothing) {
  linkUp_ = false;
  // Unknown connect mode: nothing at all happens.
  state_.connectMode = "Bluetooth";
  for (int i = 0; i < 12; ++i) EXPECT_FALSE(Cycle());
  EXPECT_EQ(connects_, 0);
  EXPECT_EQ(state_.failureCount, 0);

  // A page still loading: the link is built but nothing is counted.
  state_.connectMode = "LocalNetwork";
  view_.set_ready(false);
  for (int i = 0; i < 12; ++i) EXPECT_FALSE(Cycle());
  EXPECT_EQ(connects_, 12);
  EXPECT_EQ(state_.failureCount, 0);
  EXPECT_THAT(Shown(), IsEmpty());
}

TEST_F(DetectBoxTest, DiscoveryRequestIsServedWithoutABoxAndRunsNoOperation) {
  linkUp_ = false;
  state_.pendingCommand = 10;
  state_.failureCount = 9;
  EXPECT_FALSE(Cycle());
  EXPECT_THAT(Shown(), ElementsAre("RefreshList(\"\");"));
  EXPECT_EQ(state_.pendingCommand, -1);
  EXPECT_EQ(state_.failureCount, 9);
}

TEST_F(DetectBoxTest, SetupUploadIsOfferedOnceAndOnlyWhenTheFileExists) {
  state_.detectRequested = 0;
  state_.offerSetupUpload = 1;
  EXPECT_TRUE(Cycle());
  EXPECT_THAT(Shown(), ElementsAre("DisableOperate(false);"));
  EXPECT_EQ(state_.offerSetupUpload, 0);

  dir_.Write("setup.xml", "<Setup/>");
  view_.Clear();
  state_.offerSetupUpload = 1;
  EXPECT_TRUE(Cycle());
  EXPECT_THAT(Shown(), ElementsAre("ShowUpLoadSetup();", "DisableOperate(false);"));
  view_.Clear();
  EXPECT_TRUE(Cycle());
  EXPECT_THAT(Shown(), ElementsAre("DisableOperate(false);"));
}

TEST_F(DetectBoxTest, SetupButtonCodeIsClearedOnAReachableCycle) {
  state_.detectRequested = 0;
  state_.pendingCommand = 28;
  linkUp_ = false;
  EXPECT_FALSE(Cycle());
  EXPECT_EQ(state_.pendingCommand, 28);
  linkUp_ = true;
  EXPECT_TRUE(Cycle());
  EXPECT_EQ(state_.pendingCommand, -1);
  EXPECT_THAT(sleeper_.pauses(), ElementsAre(100, 100));
}

TEST(ScanBoxModeTest, ReadsModeLikeTheBoxWritesIt) {
  int mode = -1;
  EXPECT_TRUE(ScanBoxMode("Mode=3", &mode));
  EXPECT_EQ(mode, 3);
  EXPECT_TRUE(ScanBoxMode("Mode= -2\r\n", &mode));
  EXPECT_EQ(mode, -2);
  mode = -1;
  EXPECT_FALSE(ScanBoxMode(" Mode=3", &mode));
  EXPECT_FALSE(ScanBoxMode("Mode=", &mode));
  EXPECT_FALSE(ScanBoxMode("Mode=99999999999", &mode));
  EXPECT_EQ(mode, -1);
}

}  // namespace
}  // namespace orbo::test
