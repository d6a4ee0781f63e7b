// Machine code, box mode, stop and reboot, and light.
#include "ops/power_ops.h"

#include <gmock/gmock.h>

#include "base/codepage.h"
#include "ops_fixture.h"

namespace orbo::test {
namespace {

using ::testing::ElementsAre;

const char kDashes[] = "----------------------------------------------";

using PowerOpsTest = OpsTest;

TEST_F(PowerOpsTest, MachineCodeGoesToTheClipboardAndTheLog) {
  ScopedCodepage cp("CP1252");
  box_.Answer("GetRmtSN\r\n", "SN-\xe9-42");
  EXPECT_TRUE(ReadMachineCode(ctx_));
  EXPECT_THAT(clipboard_.texts, ElementsAre("SN-\xc3\xa9-42"));
  EXPECT_THAT(Shown(), ElementsAre(kDashes, "@get_maccode_success", "SN-\xc3\xa9-42"));
  EXPECT_EQ(ctx_.serialReply.Text(), "SN-\xe9-42");

  view_.Clear();
  box_.Answer("GetRmtSN\r\n", "ERROR\r");
  EXPECT_FALSE(ReadMachineCode(ctx_));
  EXPECT_EQ(clipboard_.texts.size(), 1u);
  EXPECT_THAT(Shown(), ElementsAre(kDashes, "@get_maccode_failed"));
}

TEST_F(PowerOpsTest, SetModeReadsThreeBytesAndRebootsWhateverTheAnswer) {
  box_.Answer("SetBoxMode", "OK\r\n");
  box_.Answer("reset\r", "OK\r");
  EXPECT_TRUE(SetBoxMode(ctx_, 3));
  EXPECT_THAT(box_.commands, ElementsAre("SetBoxMode 3\r\n", "reset\r"));
  EXPECT_THAT(Shown(), ElementsAre(kDashes, "@set_mode_success", "@reboot_orbo"));
  // Only the reset's exchange pauses.
  EXPECT_THAT(sleeper_.pauses(), ElementsAre(300));

  for (const char* reply : {"ERROR\r", "OK", "", "ok\r"}) {
    SCOPED_TRACE(reply);
    view_.Clear();
    box_.commands.clear();
    box_.Answer("SetBoxMode", reply);
    EXPECT_FALSE(SetBoxMode(ctx_, -1));
    EXPECT_THAT(box_.commands, ElementsAre("SetBoxMode -1\r\n", "reset\r"));
    EXPECT_THAT(Shown(), ElementsAre(kDashes, "@set_mode_failed", "@reboot_orbo"));
  }

  // A reply handed over in pieces is still read whole.
  box_.Trickle(true);
  box_.Answer("SetBoxMode", "OK\r");
  EXPECT_TRUE(SetBoxMode(ctx_, 1));
}

TEST_F(PowerOpsTest, StopAndRebootEndsEarlyOnlyWhenTheStopIsRefused) {
  box_.Answer("TerminateAll\r", "ERROR\r");
  EXPECT_FALSE(StopAndReboot(ctx_));
  EXPECT_THAT(box_.commands, ElementsAre("TerminateAll\r"));
  EXPECT_THAT(Shown(), ElementsAre("@stopping_orbo", "@stop_orbo_failed"));

  view_.Clear();
  box_.commands.clear();
  box_.Answer("TerminateAll\r", "OK\r");
  box_.Answer("DeleteFile", "OK\r");
  box_.Answer("reset\r", "OK\r");
  EXPECT_TRUE(StopAndReboot(ctx_));
  ASSERT_GE(box_.commands.size(), 3u);
  EXPECT_EQ(box_.commands[0], "TerminateAll\r");
  EXPECT_EQ(box_.commands[1], "DeleteFile //mnt//kavel//kavel//run//project//quectel.log\r");
  EXPECT_EQ(box_.commands.back(), "reset\r");
  // Whatever the firmware check showed in between, the reboot ends it.
  const std::vector<std::string> shown = Shown();
  ASSERT_GE(shown.size(), 4u);
  EXPECT_EQ(shown.front(), "@stopping_orbo");
  EXPECT_THAT(std::vector<std::string>(shown.end() - 3, shown.end()),
              ElementsAre("@reboot_orbo", "@detect_orbo_failed", "DisableOperate(true);"));
  EXPECT_EQ(sleeper_.pauses().back(), 2000);
}

TEST_F(PowerOpsTest, LightReportsWhetherTheCommandWentOut) {
  EXPECT_TRUE(LightBox(ctx_));
  EXPECT_THAT(box_.commands, ElementsAre("Light\r"));
  EXPECT_THAT(Shown(), ElementsAre(kDashes, "@light_cmd_suc"));

  view_.Clear();
  box_.FailWrites(true);
  EXPECT_FALSE(LightBox(ctx_));
  EXPECT_THAT(Shown(), ElementsAre(kDashes, "@light_cmd_err"));

  // No link at all (an unplugged USB box).
  view_.Clear();
  link_.Attach(nullptr);
  EXPECT_FALSE(LightBox(ctx_));
  EXPECT_THAT(Shown(), ElementsAre(kDashes, "@light_cmd_err"));
}

}  // namespace
}  // namespace orbo::test
