// The box operations end to end: orbo-cli page plays the setup page,
// orbo-boxsim plays the box (over TCP on a loopback address of the test's
// own, or over its USB report socket), and each test runs one session
// through several operations, checking what the page was shown and what
// the box received.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/base64.h"
#include "settings/message_keys.h"
#include "support/box_sim.h"
#include "support/page_host.h"
#include "support/temp_dir.h"

namespace orbo::test {
namespace {

constexpr int kWaitMs = 60000;
const char kDashes[] = "----------------------------------------------";
const char kStars[] = "*****************************";

// True when every entry of want appears in have, in order.
bool InOrder(const std::vector<std::string>& have, const std::vector<std::string>& want) {
  size_t next = 0;
  for (const std::string& h : have) {
    if (next < want.size() && h == want[next]) ++next;
  }
  return next == want.size();
}

int Count(const std::vector<std::string>& have, const std::string& what) {
  int n = 0;
  for (const std::string& h : have) n += h == what ? 1 : 0;
  return n;
}

class OpsEndToEnd : public ::testing::Test {
 protected:
  void SetUp() override {
    // Every message key shows as "@key", so the log reads as keys.
    std::string table;
    for (std::string_view key : keys::kAllMessageKeys) {
      if (key != "string_format") table += std::string(key) + "=@" + std::string(key) + "\n";
    }
    table += "string_format=%.1f|%.1f|%.1f\n";
    dir_.Write("app/SoftLang.ini", "[HMI]\noem=0\nlang=en\n");
    dir_.Write("app/html/i18n/strings_en.properties", Base64Encode(table));
  }

  std::filesystem::path AppDir() const { return dir_.path() / "app"; }

  // Writes a simulator profile; the arguments that load it.
  std::vector<std::string> ProfileArgs(const std::string& name, const std::string& json) const {
    return {"--profile", dir_.Write(name + ".json", json).string()};
  }

  // Shows the setup page and selects the box.
  void SelectBox(PageHost& host, const std::string& mode, const std::string& address) {
    host.Send("{\"button\":\"setup\"}");
    if (!address.empty()) host.Send(PageCall("12", address));
    host.Send(PageCall("11", mode));
  }

  int CountLines(PageHost& host, const char* key, const std::string& value) {
    int n = 0;
    for (const std::string& line : host.Lines()) n += JsonString(line, key) == value ? 1 : 0;
    return n;
  }

  TempDir dir_;
};

TEST_F(OpsEndToEnd, LanBoxThroughEveryOperation) {
  BoxSim box(dir_.path(), {.args = {"--reset-ms", "300"}, .udp = false});
  ASSERT_TRUE(box.ready());
  PageHost host(AppDir(), {"--answer", "no", "--answer", "yes"});
  ASSERT_TRUE(host.started());
  SelectBox(host, "LocalNetwork", box.address());

  const int found = host.WaitForScript("DetectBox(\"OP-X70\", 0);", 0, kWaitMs);
  ASSERT_GE(found, 0) << JoinLines(host.Lines());
  EXPECT_EQ(host.WaitForScript(LogScript("ORBO-SN-0001"), found, kWaitMs), found + 1);

  EXPECT_EQ(RunOperation(host, "5", "", LogScript(kDashes), LogScript("12.0|15.5|20.1")),
            (std::vector<std::string>{
                LogScript(kDashes), KeyScript("detecting_network"), LogScript(kStars),
                KeyScript("ethernet_ip_address"), LogScript("192.168.1.20"),
                KeyScript("ethernet_mac_address"), LogScript("00:11:22:33:44:55"),
                KeyScript("connect_server_time"), LogScript("12.0|15.5|20.1")}));

  // A new zone: UTC time and the reboot question (No); the same zone again:
  // no question; another zone: the question (Yes) reboots the box.
  host.Send(PageCall("22", "Europe/Berlin"));
  EXPECT_EQ(
      RunOperation(host, "1", "", LogScript(kDashes), KeyScript("update_time_success")),
      (std::vector<std::string>{LogScript(kDashes), KeyScript("updating_time"),
                                KeyScript("update_tz_success"), KeyScript("update_time_success")}));
  EXPECT_GE(host.WaitFor([](const std::string& l) { return JsonString(l, "answer") == "no"; }, 0,
                         kWaitMs),
            0);
  EXPECT_EQ(
      RunOperation(host, "1", "", LogScript(kDashes), KeyScript("update_time_success")),
      (std::vector<std::string>{LogScript(kDashes), KeyScript("updating_time"),
                                KeyScript("update_tz_same"), KeyScript("update_time_success")}));
  host.Send(PageCall("22", "Asia/Tokyo"));
  RunOperation(host, "1", "", LogScript(kDashes), KeyScript("update_time_success"));
  EXPECT_GE(host.WaitFor([](const std::string& l) { return JsonString(l, "answer") == "yes"; }, 0,
                         kWaitMs),
            0);

  // The rebooted box comes back; the next operations wait for it.
  EXPECT_EQ(RunOperation(host, "4", "", LogScript(kDashes), LogScript("ORBO-SN-0001")),
            (std::vector<std::string>{LogScript(kDashes), KeyScript("get_maccode_success"),
                                      LogScript("ORBO-SN-0001")}));
  EXPECT_EQ(CountLines(host, "clipboard", "ORBO-SN-0001"), 1);
  EXPECT_EQ(RunOperation(host, "18", "", LogScript(kDashes), KeyScript("light_cmd_suc")).size(),
            2u);
  EXPECT_EQ(RunOperation(host, "16", "2", LogScript(kDashes), KeyScript("reboot_orbo")),
            (std::vector<std::string>{LogScript(kDashes), KeyScript("set_mode_success"),
                                      KeyScript("reboot_orbo")}));
  const std::vector<std::string> stop =
      RunOperation(host, "13", "", KeyScript("stopping_orbo"), "DisableOperate(true);");
  ASSERT_GE(stop.size(), 4u);
  EXPECT_EQ(std::vector<std::string>(stop.end() - 3, stop.end()),
            (std::vector<std::string>{KeyScript("reboot_orbo"), KeyScript("detect_orbo_failed"),
                                      "DisableOperate(true);"}));
  EXPECT_EQ(host.Finish(), 0);

  const std::vector<std::string> commands = box.Commands();
  EXPECT_TRUE(InOrder(
      commands, {"GetHMIType\r", "GetRmtSN\r\n", "GetBoxMode\r\n", "TestNetworkJson\r\n",
                 "SetTZ Europe/Berlin\r", "SetTZ Europe/Berlin\r", "SetTZ Asia/Tokyo\r", "reset\r",
                 "GetRmtSN\r\n", "Light\r", "SetBoxMode 2\r\n", "reset\r", "TerminateAll\r",
                 "DeleteFile //mnt//kavel//kavel//run//project//quectel.log\r", "reset\r"}))
      << JoinLines(commands);
  EXPECT_EQ(Count(commands, "reset\r"), 3);
  int utcTimes = 0;
  for (const std::string& c : commands) utcTimes += c.rfind("SetTime utc/", 0) == 0 ? 1 : 0;
  EXPECT_EQ(utcTimes, 3);
  EXPECT_EQ(CountLines(host, "prompt", "yesno"), 2);
}

TEST_F(OpsEndToEnd, UsbBoxThatRefusesOrStaysSilent) {
  std::vector<std::string> args =
      ProfileArgs("text-report", R"({"networkText":"eth0:1,ip:,ping:;wlan0:0,)"
                                 R"(ip:10.0.0.9\n,ping:30ms\n40ms\n50ms\n;"})");
  for (const char* a : {"--reset-ms", "300", "--tz-reply", "error", "--error", "TerminateAll",
                        "--error", "SetBoxMode", "--silent", "TestNetworkJson"}) {
    args.push_back(a);
  }
  BoxSim box(dir_.path(), {.args = args, .udp = false});
  ASSERT_TRUE(box.ready());
  PageHost host(AppDir(), {"--usb-sim", box.usb_path()});
  ASSERT_TRUE(host.started());
  SelectBox(host, "USB:Download", "");
  ASSERT_GE(host.WaitForScript("DetectBox(\"OP-X70\", 0);", 0, kWaitMs), 0)
      << JoinLines(host.Lines());

  // No JSON report in time: the text report instead.
  EXPECT_EQ(
      RunOperation(host, "5", "", LogScript(kDashes), LogScript("30.0|40.0|50.0")),
      (std::vector<std::string>{
          LogScript(kDashes), KeyScript("detecting_network"), LogScript(kStars),
          KeyScript("set_ethernet_failed"), KeyScript("get_ethernet_ip_failed"),
          KeyScript("connect_server_failed"), LogScript(kStars), KeyScript("wifi_ip_address"),
          LogScript("10.0.0.9"), KeyScript("connect_server_time"), LogScript("30.0|40.0|50.0")}));
  EXPECT_EQ(RunOperation(host, "1", "", LogScript(kDashes), KeyScript("update_time_success")),
            (std::vector<std::string>{LogScript(kDashes), KeyScript("updating_time"),
                                      KeyScript("update_tz_err_update_firm"),
                                      KeyScript("update_time_success")}));
  EXPECT_EQ(RunOperation(host, "13", "", KeyScript("stopping_orbo"), KeyScript("stop_orbo_failed")),
            (std::vector<std::string>{KeyScript("stopping_orbo"), KeyScript("stop_orbo_failed")}));
  EXPECT_EQ(RunOperation(host, "16", "1", LogScript(kDashes), KeyScript("reboot_orbo")),
            (std::vector<std::string>{LogScript(kDashes), KeyScript("set_mode_failed"),
                                      KeyScript("reboot_orbo")}));
  // The reboot command follows its line; ending the host now would
  // interrupt it, so wait for the rebooted box's idle cycle.
  const int rebooted = host.WaitForScript(KeyScript("reboot_orbo"));
  EXPECT_GE(host.WaitForScript("DisableOperate(false);", rebooted, kWaitMs), 0);
  EXPECT_EQ(host.Finish(), 0);

  const std::vector<std::string> commands = box.Commands();
  EXPECT_TRUE(InOrder(commands, {"TestNetworkJson\r\n", "TestNetwork\r\n", "SetTZ \r",
                                 "TerminateAll\r", "SetBoxMode 1\r\n", "reset\r"}))
      << JoinLines(commands);
  // Refused stop: nothing more is sent for it and only the mode change reboots.
  EXPECT_EQ(Count(commands, "reset\r"), 1);
  EXPECT_EQ(Count(commands, "DeleteFile //mnt//kavel//kavel//run//project//quectel.log\r"), 0);
  for (const std::string& c : commands) {
    if (c.rfind("SetTime ", 0) == 0) {
      EXPECT_EQ(c.find("utc/"), std::string::npos) << c;
    }
  }
}

TEST_F(OpsEndToEnd, UnknownBoxesAndABoxLostAndFoundAgain) {
  BoxSim box(dir_.path(),
             {.args = ProfileArgs("echo", R"({"hmiType":"OP-X70","serial":"OP-X70-0001"})"),
              .udp = false});
  ASSERT_TRUE(box.ready());
  PageHost host(AppDir(), {});
  ASSERT_TRUE(host.started());
  SelectBox(host, "LocalNetwork", box.address());

  // A serial that starts with the type text: unknown, and asked again.
  const std::string unknown = "DetectBox(\"UNKNOWN\", -1);";
  int at = host.WaitForScript(unknown, 0, kWaitMs);
  ASSERT_GE(at, 0) << JoinLines(host.Lines());
  ASSERT_GE(host.WaitForScript(unknown, at + 1, kWaitMs), 0);

  // A box that answers ERROR to its type: unknown, and only the type is asked.
  ASSERT_TRUE(box.Restart({"--error", "GetHMIType"}));
  size_t sent = box.Commands().size();
  at = static_cast<int>(host.Lines().size());
  at = host.WaitForScript(unknown, at, kWaitMs);
  ASSERT_GE(host.WaitForScript(unknown, at + 1, kWaitMs), 0);
  std::vector<std::string> commands = box.Commands();
  for (size_t i = sent; i < commands.size(); ++i) EXPECT_EQ(commands[i], "GetHMIType\r");

  // A good box is identified; swapped quickly for one whose machine code
  // query fails, it stays identified and the copy fails.
  ASSERT_TRUE(box.Restart({}));
  at = host.WaitForScript("DetectBox(\"OP-X70\", 0);", at, kWaitMs);
  ASSERT_GE(at, 0) << JoinLines(host.Lines());
  ASSERT_TRUE(box.Restart({"--error", "GetRmtSN"}));
  EXPECT_EQ(RunOperation(host, "4", "", LogScript(kDashes), KeyScript("get_maccode_failed")),
            (std::vector<std::string>{LogScript(kDashes), KeyScript("get_maccode_failed")}));
  EXPECT_EQ(CountLines(host, "clipboard", "ORBO-SN-0001"), 0);
  at = static_cast<int>(host.Lines().size());

  // Lost: reported once, however long it stays away.
  box.Stop();
  const int lost = host.WaitForScript(KeyScript("detect_orbo_failed"), at, kWaitMs);
  ASSERT_GE(lost, 0) << JoinLines(host.Lines());
  EXPECT_EQ(host.WaitForScript("DisableOperate(true);", lost, kWaitMs), lost + 1);
  host.Send("{\"sleep\":4000}");  // some twenty more failed cycles
  host.Send(PageCall("23", ""));  // answered by the page's process: queues nothing
  ASSERT_GE(host.WaitFor([](const std::string& l) { return l == "{\"result\":0}"; }, lost, kWaitMs),
            0);
  ASSERT_TRUE(box.Restart({}));
  const int back = host.WaitForScript("DetectBox(\"OP-X70\", 0);", lost, kWaitMs);
  ASSERT_GE(back, 0) << JoinLines(host.Lines());
  EXPECT_EQ(Count(host.Scripts(at), KeyScript("detect_orbo_failed")), 1);
  EXPECT_EQ(host.Finish(), 0);
}

}  // namespace
}  // namespace orbo::test
