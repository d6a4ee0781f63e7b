// Time and time zone: which clock the zone reply selects, what is shown,
// and when the reboot question comes.
#include "ops/time_zone.h"

#include <gmock/gmock.h>

#include "base/codepage.h"
#include "ops_fixture.h"

namespace orbo::test {
namespace {

using ::testing::ElementsAre;

class FixedClock : public WallClock {
 public:
  CivilTime NowUtc() const override { return {2024, 3, 5, 7, 8, 9}; }
  CivilTime NowLocal() const override { return {2024, 3, 5, 8, 8, 9}; }
};

class TimeZoneTest : public OpsTest {
 protected:
  TimeZoneTest() {
    ctx_.clock = &clock_;
    state_.timeZone = "Europe/Berlin";
    box_.Answer("SetTime ", "OK\r");
    box_.Answer("reset\r", "OK\r");
  }

  int Questions() const { return static_cast<int>(prompts_.asked().size()); }

  FixedClock clock_;
  CommandState state_;
};

TEST_F(TimeZoneTest, ZoneReplySelectsTheClockAndTheKey) {
  struct Case {
    std::string reply;
    const char* time;
    const char* key;
    int questions;
  } cases[] = {
      {"OK\r", "utc/2024-03-05 07:08:09", "@update_tz_success", 1},
      {"END\r", "utc/2024-03-05 07:08:09", "@update_tz_same", 0},
      {"setTZ fail\r\n", "utc/2024-03-05 07:08:09", "@update_tz_fail", 0},
      {"ERROR\r", "2024-03-05 08:08:09", "@update_tz_err_update_firm", 0},
      {"OK", "2024-03-05 08:08:09", "@update_tz_fail", 0},
      {"", "2024-03-05 08:08:09", "@update_tz_fail", 0},
  };
  int asked = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.reply);
    view_.Clear();
    box_.commands.clear();
    box_.Answer("SetTZ ", c.reply);
    EXPECT_TRUE(SetTimeAndZone(ctx_, state_));
    EXPECT_THAT(box_.commands,
                ElementsAre("SetTZ Europe/Berlin\r", std::string("SetTime ") + c.time + "\r"));
    EXPECT_THAT(Shown(), ElementsAre("----------------------------------------------",
                                     "@updating_time", c.key, "@update_time_success"));
    asked += c.questions;
    EXPECT_EQ(Questions(), asked);
  }
}

TEST_F(TimeZoneTest, RebootQuestionAfterAZoneChange) {
  box_.Answer("SetTZ ", "OK\r");
  prompts_.AnswerYesNo(false);
  EXPECT_TRUE(SetTimeAndZone(ctx_, state_));
  ASSERT_EQ(Questions(), 1);
  EXPECT_EQ(prompts_.asked()[0].caption, "@alert_title");
  EXPECT_EQ(prompts_.asked()[0].text, "@is_update_tz");
  EXPECT_EQ(box_.CountOf("reset"), 0);

  prompts_.AnswerYesNo(true);
  EXPECT_TRUE(SetTimeAndZone(ctx_, state_));
  EXPECT_EQ(box_.CountOf("reset"), 1);
  EXPECT_EQ(box_.commands.back(), "reset\r");

  // A refused time never leads to the question.
  box_.Answer("SetTime ", "ERROR\r");
  view_.Clear();
  EXPECT_FALSE(SetTimeAndZone(ctx_, state_));
  EXPECT_EQ(Questions(), 2);
  EXPECT_EQ(Shown().back(), "@update_time_failed");
}

TEST_F(TimeZoneTest, ZoneIsSentInTheCodePageAndCannotCarryAnotherCommand) {
  ScopedCodepage cp("CP1252");
  box_.Answer("SetTZ ", "END\r");
  state_.timeZone = "Europe/Z\xc3\xbcrich";
  SetTimeAndZone(ctx_, state_);
  EXPECT_EQ(box_.commands[0], "SetTZ Europe/Z\xfcrich\r");

  box_.commands.clear();
  state_.timeZone = "UTC\rreset";
  SetTimeAndZone(ctx_, state_);
  EXPECT_EQ(box_.commands[0], "SetTZ UTC\r");

  box_.commands.clear();
  state_.timeZone = "";
  SetTimeAndZone(ctx_, state_);
  EXPECT_EQ(box_.commands[0], "SetTZ \r");
}

}  // namespace
}  // namespace orbo::test
