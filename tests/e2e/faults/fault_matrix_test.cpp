// The fault matrix: every box operation against every fault the simulated
// box can play. The table at the end is the documentation: for each
// operation the faults that concern it and what must come of them. Every
// case checks that the operation ends within its bounded waits, that a
// failure shows a failure line, that box text never leaves its string
// literal in a script, that no local file is left partial or changed, and
// that once the box is healthy again the controls come back and the next
// operation works.
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "app/main_frame.h"
#include "app/tool_services.h"
#include "base/base64.h"
#include "e2e/ops/transfer/sim_ops_harness.h"
#include "settings/message_keys.h"
#include "support/box_sim.h"
#include "support/page_host.h"
#include "support/scripted_prompts.h"
#include "support/temp_dir.h"

namespace orbo::test {
namespace {

using Clock = std::chrono::steady_clock;
constexpr int kIoWaitMs = 800;
// No operation may take longer than this with the short waits above (the
// longest, a send to a silent box, needs about a dozen waits).
constexpr int kBoundMs = 40000;

// The page: keeps every script and lets the test wait for one.
class WaitingView : public PageView {
 public:
  void Evaluate(const std::string& script) override {
    std::lock_guard<std::mutex> lock(mutex_);
    scripts_.push_back(script);
    cv_.notify_all();
  }
  void Navigate(const std::string&) override {}
  bool IsReady() const override { return true; }

  size_t size() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return scripts_.size();
  }
  std::vector<std::string> scripts() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return scripts_;
  }
  // A wanted text ending in '*' matches every script it starts.
  static bool Matches(const std::string& script, const std::string& wanted) {
    if (!wanted.empty() && wanted.back() == '*')
      return script.compare(0, wanted.size() - 1, wanted, 0, wanted.size() - 1) == 0;
    return script == wanted;
  }
  // Index of the first script at or after from that matches one of wanted;
  // -1 when none came within timeout_ms.
  int WaitFor(const std::vector<std::string>& wanted, size_t from, int timeout_ms) {
    std::unique_lock<std::mutex> lock(mutex_);
    int found = -1;
    cv_.wait_for(lock, std::chrono::milliseconds(timeout_ms), [&] {
      for (size_t i = from; i < scripts_.size(); ++i) {
        for (const std::string& w : wanted) {
          if (Matches(scripts_[i], w)) {
            found = static_cast<int>(i);
            return true;
          }
        }
      }
      return false;
    });
    return found;
  }

 private:
  mutable std::mutex mutex_;  // guards scripts_
  std::condition_variable cv_;
  std::vector<std::string> scripts_;
};

class NoClipboard : public Clipboard {
 public:
  bool SetText(const std::string&) override { return true; }
};

// True when script is a plain call whose arguments are string literals,
// numbers or words: box text stayed inside its quotes. A call guarded by
// 'if (typeof NAME === "function") ' (the progress call) counts as plain.
bool IsPlainCall(const std::string& script) {
  std::string s = script;
  if (s.rfind("if (typeof ", 0) == 0) {
    const size_t name_end = s.find(' ', 11);
    const std::string guard = " === \"function\") ";
    if (name_end == std::string::npos || s.compare(name_end, guard.size(), guard) != 0)
      return false;
    const std::string name = s.substr(11, name_end - 11);
    s = s.substr(name_end + guard.size());
    if (s.rfind(name + "(", 0) != 0) return false;
  }
  size_t i = 0;
  while (i < s.size() && (std::isalnum(static_cast<unsigned char>(s[i])) || s[i] == '_')) ++i;
  if (i == 0 || i >= s.size() || s[i++] != '(') return false;
  while (i < s.size() && s[i] != ')') {
    if (s[i] == '"') {
      for (++i; i < s.size() && s[i] != '"'; ++i) {
        if (static_cast<unsigned char>(s[i]) < 0x20) return false;
        if (s[i] == '\\') ++i;
      }
      if (i++ >= s.size()) return false;
    } else {
      const size_t start = i;
      while (i < s.size() && (std::isalnum(static_cast<unsigned char>(s[i])) || s[i] == '-')) ++i;
      if (i == start) return false;
    }
    if (s.compare(i, 2, ", ") == 0) i += 2;
  }
  return s.substr(i) == ")" || s.substr(i) == ");";
}

// Every regular file below dir with its content.
std::map<std::string, std::string> Snapshot(const std::filesystem::path& dir) {
  std::map<std::string, std::string> files;
  for (const auto& e : std::filesystem::recursive_directory_iterator(dir)) {
    if (e.is_regular_file()) files[e.path().lexically_relative(dir).string()] = ReadAll(e.path());
  }
  return files;
}

enum class Expect { kFails, kSucceeds, kEither };

struct Op {
  std::string name;
  bool usb = false;
  std::vector<std::string> targets;  // the commands the reply faults aim at
  std::string code;                  // page call that queues it ("" = detection itself)
  std::string v2;
  std::string first;                  // the operation's first script
  std::vector<std::string> ends;      // scripts that end it
  std::vector<std::string> failures;  // scripts that say it failed
  std::string profile = "{}";
  bool answerYes = false;  // the firmware question
  std::string fetchedTo;   // a fetch's target below the app folder
};

struct Fault {
  std::string name;
  std::vector<std::string> (*args)(const Op&);
};

std::vector<std::string> EachTarget(const char* flag, const Op& op) {
  std::vector<std::string> args;
  for (const std::string& t : op.targets) args.insert(args.end(), {flag, t});
  return args;
}

const Fault kFaults[] = {
    {"error", [](const Op& op) { return EachTarget("--error", op); }},
    {"silence", [](const Op& op) { return EachTarget("--silent", op); }},
    {"cut_reply", [](const Op& op) { return EachTarget("--cut-reply", op); }},
    {"drop_mid_transfer",
     [](const Op&) {
       return std::vector<std::string>{"--drop-after", "100"};
     }},
    {"stall_mid_transfer",
     [](const Op&) {
       return std::vector<std::string>{"--stall-after", "100"};
     }},
    {"wrong_digest", [](const Op&) { return std::vector<std::string>{"--wrong-digest"}; }},
    {"flood",
     [](const Op& op) {
       std::vector<std::string> a = EachTarget("--flood-on", op);
       a.insert(a.end(), {"--flood-count", "300"});
       return a;
     }},
    {"garbage_acks",
     [](const Op&) {
       return std::vector<std::string>{"--flood", "G@RB\x01GE", "--flood-count",
                                       "3000",    "--flood-on", "acks"};
     }},
    {"drip",
     [](const Op&) {
       return std::vector<std::string>{"--drip-ms", "100"};
     }},
    {"split_header", [](const Op&) { return std::vector<std::string>{"--split-header"}; }},
    {"header_2gib",
     [](const Op&) {
       return std::vector<std::string>{"--header-size", "2147483648"};
     }},
    {"reboot_mid_operation", [](const Op& op) { return EachTarget("--reset-on", op); }},
    {"hostile_reply", [](const Op& op) { return EachTarget("--hostile-reply", op); }},
};

const char kDashes[] = "----------------------------------------------";
const char kOldFirmware[] =
    R"({"hmiType": "OP-S70", "versions": ["fsFLASHVER:V1.2.0-P:FS", "OSVER:V2.1.0"],
        "firmwareUpdates": {"fsFLASH": ["fsFLASHVER:V1.3.0-P:FS"]}})";
const char kProject[] = R"({"password": "pw", "files": {"cloudprj.kzrp": {"content": ")";

Op Row(std::string name, std::vector<std::string> targets, std::string code, std::string v2,
       std::string first, std::vector<std::string> ends, std::vector<std::string> failures) {
  Op op;
  op.name = std::move(name);
  op.targets = std::move(targets);
  op.code = std::move(code);
  op.v2 = std::move(v2);
  op.first = std::move(first);
  op.ends = std::move(ends);
  op.failures = std::move(failures);
  return op;
}

std::vector<Op> Operations() {
  const std::string dash = LogScript(kDashes);
  auto key = [](const char* k) { return KeyScript(k); };
  const std::vector<std::string> detectEnds = {"DetectBox(*", key("detect_orbo_failed")};
  const std::vector<std::string> detectFails = {"DetectBox(\"UNKNOWN\", -1);",
                                                key("detect_orbo_failed")};
  const std::vector<std::string> sendEnds = {"DisableOperate(true);", key("stop_orbo_failed")};
  const std::vector<std::string> sendFails = {key("download_failed"), key("stop_orbo_failed"),
                                              key("detect_fireware_failed")};
  const std::vector<std::string> fetchEnds = {"ShowUpLoadSetup()", key("upload_config_failed"),
                                              key("upload_password_invalid")};
  const std::string form =
      "Ethernet\x02"
      "DHCP\x02"
      "0\x02";
  std::vector<Op> ops = {
      Row("detect_tcp", {"GetHMIType"}, "", "", "", detectEnds, detectFails),
      Row("detect_usb", {"GetHMIType"}, "", "", "", detectEnds, detectFails),
      Row("network_test", {"TestNetworkJson", "TestNetwork"}, "5", "", dash,
          {key("connect_server_time"), key("connect_server_failed"), key("detect_network_failed")},
          {key("detect_network_failed")}),
      Row("time_and_zone", {"SetTime"}, "1", "", dash,
          {key("update_time_success"), key("update_time_failed")}, {key("update_time_failed")}),
      Row("config_send", {"Download"}, "0", form, key("stopping_orbo"), sendEnds, sendFails),
      Row("config_fetch", {"Upload"}, "2", "", key("upload_config_file"), fetchEnds,
          {key("upload_config_failed")}),
      Row("project_send", {"Download"}, "14", "", key("stopping_orbo"), sendEnds, sendFails),
      Row("project_fetch", {"Upload"}, "15", "pw", key("upload_config_file"), fetchEnds,
          {key("upload_config_failed"), key("upload_password_invalid")}),
      Row("firmware_check", {"GetAllVersion"}, "13", "", key("stopping_orbo"), sendEnds,
          {key("detect_fireware_failed")}),
      Row("firmware_update", {"Download"}, "13", "", key("stopping_orbo"), sendEnds,
          {key("download_failed")}),
      Row("mode", {"SetBoxMode"}, "16", "2", dash, {key("reboot_orbo")}, {key("set_mode_failed")}),
      Row("stop_and_reboot", {"TerminateAll"}, "13", "", key("stopping_orbo"), sendEnds,
          {key("stop_orbo_failed")}),
      Row("light", {"Light"}, "18", "", dash, {key("light_cmd_suc"), key("light_cmd_err")},
          {key("light_cmd_err")}),
      Row("machine_code", {"GetRmtSN"}, "4", "", dash,
          {key("get_maccode_success"), key("get_maccode_failed")}, {key("get_maccode_failed")}),
  };
  for (Op& op : ops) {
    if (op.name == "detect_usb") op.usb = true;
    if (op.name == "config_fetch") {
      op.profile = R"({"files": {"setup.xml": {"content": "<setup>)" + std::string(5000, 's') +
                   "</setup>\"}}}";
      op.fetchedTo = "setup.xml";
    }
    if (op.name == "project_fetch") {
      op.profile = std::string(kProject) + std::string(150000, 'p') + "\"}}}";
      op.fetchedTo = "fetched.kzrp";
    }
    if (op.name == "firmware_update") {
      op.profile = kOldFirmware;
      op.answerYes = true;
    }
  }
  return ops;
}

struct Case {
  std::string op;
  std::string fault;
  Expect expect;
};

void PrintTo(const Case& c, std::ostream* os) {
  *os << c.op << " x " << c.fault;
}

class FaultMatrix : public ::testing::TestWithParam<Case> {
 protected:
  void SetUp() override {
    std::string table;
    for (std::string_view k : keys::kAllMessageKeys) {
      if (k != "string_format") table += std::string(k) + "=@" + std::string(k) + "\n";
    }
    table += "string_format=%.1f|%.1f|%.1f\n";
    CopyShippedFiles(App());
    dir_.Write("app/SoftLang.ini", "[HMI]\noem=0\nlang=en\n");
    dir_.Write("app/html/i18n/strings_en.properties", Base64Encode(table));
    dir_.Write("app/setup.xml", "<setup old=\"1\"/>");
    dir_.Write("app/fetched.kzrp", "old project");
  }
  std::filesystem::path App() const { return dir_.path() / "app"; }

  TempDir dir_;
};

TEST_P(FaultMatrix, EndsBoundedFailsVisiblyKeepsFilesAndRecovers) {
  const Case& c = GetParam();
  Op op;
  for (const Op& o : Operations()) {
    if (o.name == c.op) op = o;
  }
  const Fault* fault = nullptr;
  for (const Fault& f : kFaults) {
    if (f.name == c.fault) fault = &f;
  }
  ASSERT_TRUE(fault != nullptr && !op.name.empty());
  const std::vector<std::string> healthy = {"--reset-ms", "300"};
  std::vector<std::string> faultArgs = fault->args(op);
  faultArgs.insert(faultArgs.end(), healthy.begin(), healthy.end());
  // Detection is itself the operation of the first two rows; the others
  // find a healthy box first, which then turns faulty.
  const bool detecting = op.code.empty();
  BoxSim box(dir_.path(),
             {.args = detecting ? faultArgs : healthy, .profileJson = op.profile, .udp = false});
  ASSERT_TRUE(box.ready());

  WaitingView view;
  ScriptedPrompts prompts;
  NoClipboard clipboard;
  if (op.answerYes) prompts.AnswerYesNo(true);
  // A project to send (beyond the app folder), or where a fetch stores it.
  prompts.ChooseFile(op.code == "14" ? dir_.Write("mine.kzrp", std::string(150000, 'm'))
                                     : App() / "fetched.kzrp");
  ToolOptions options;
  options.usbSimSocket = op.usb ? box.usb_path() : "";
  options.virtualPort = false;
  ToolTuning tuning;
  tuning.link.tcp.connect_ms = 2000;
  tuning.link.tcp.io_ms = kIoWaitMs;
  tuning.link.usb.read_ms = kIoWaitMs;
  tuning.link.usb.long_read_ms = kIoWaitMs;
  tuning.workerStartDelayMs = 0;
  ToolServices tool(App(), &view, &prompts, &clipboard, options, tuning);
  MainFrameCore core(tool.Services());
  core.StartWorker();
  core.OnSetupButton();
  if (!op.usb) core.HandlePageCall("12", box.address());
  core.HandlePageCall("11", op.usb ? "USB:Download" : "LocalNetwork");

  auto before = Snapshot(App());
  size_t from = view.size();
  int first = 0;
  if (!detecting) {
    ASSERT_GE(view.WaitFor({"DetectBox(\"OP-X70\", 0);", "DetectBox(\"OP-S70\", 0);"}, 0, 30000), 0)
        << JoinLines(view.scripts());
    ASSERT_TRUE(box.Restart(faultArgs));
    ASSERT_GE(view.WaitFor({"DisableOperate(false);"}, view.size(), 30000), 0)
        << JoinLines(view.scripts());
    from = view.size();
    const auto start = Clock::now();
    core.HandlePageCall(op.code, op.v2);
    before = Snapshot(App());  // after what the page call itself writes (setup.xml)
    first = view.WaitFor({op.first}, from, kBoundMs);
    ASSERT_GE(first, 0) << JoinLines(view.scripts());
    const int end = view.WaitFor(op.ends, first + 1, kBoundMs);
    ASSERT_GE(end, 0) << "did not end: " << JoinLines(view.scripts());
    EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(kBoundMs));
  } else {
    ASSERT_GE(view.WaitFor(op.ends, 0, kBoundMs), 0) << JoinLines(view.scripts());
  }

  // The box is healthy again: the controls come back, the next operation works.
  ASSERT_TRUE(box.Restart(healthy));
  const std::vector<std::string> during = view.scripts();
  bool failed = false;
  for (size_t i = static_cast<size_t>(first); i < during.size(); ++i) {
    for (const std::string& f : op.failures) failed = failed || during[i] == f;
    EXPECT_TRUE(IsPlainCall(during[i]))
        << "script with escaped box text: " << during[i].substr(0, 200);
  }
  if (c.expect == Expect::kFails) {
    EXPECT_TRUE(failed) << JoinLines(during);
  } else if (c.expect == Expect::kSucceeds) {
    EXPECT_FALSE(failed) << JoinLines(during);
  }

  const size_t later = view.size();
  ASSERT_GE(view.WaitFor({"DisableOperate(false);"}, later, 30000), 0) << JoinLines(view.scripts());
  const size_t next = view.size();
  core.HandlePageCall("4", "");
  EXPECT_GE(view.WaitFor({KeyScript("get_maccode_success")}, next, 30000), 0)
      << JoinLines(view.scripts());
  core.StopWorker();

  // Nothing partial, nothing changed, but a fetch that succeeded.
  auto after = Snapshot(App());
  auto was = before;
  if (!op.fetchedTo.empty() && !failed) {
    after.erase(op.fetchedTo);
    was.erase(op.fetchedTo);
  }
  EXPECT_EQ(after.size(), was.size());
  for (const auto& [name, content] : was) {
    ASSERT_TRUE(after.count(name)) << name;
    EXPECT_TRUE(after[name] == content) << name << " changed";
  }
  for (const auto& [name, content] : after) EXPECT_TRUE(was.count(name)) << name << " appeared";
}

// Ending the headless host while the worker waits on a silent box (its
// own 10 s reply wait, five reads of it before) ends at once: the stop
// shuts the link down. A temporary file an abruptly ended fetch left
// beside a target is gone after the next start.
TEST_F(FaultMatrix, EndingThePageHostWithASilentBoxIsPrompt) {
  dir_.Write("app/.setup.xml.tmp.Zq81Xy", "half a fetch");
  BoxSim box(dir_.path(), {.args = {"--silent", "GetHMIType"}, .udp = false});
  ASSERT_TRUE(box.ready());
  PageHost host(App(), {});
  ASSERT_TRUE(host.started());
  host.Send("{\"button\":\"setup\"}");
  host.Send(PageCall("12", box.address()));
  host.Send(PageCall("11", "LocalNetwork"));
  // The worker is now waiting for the reply that never comes.
  const auto asked = Clock::now() + std::chrono::seconds(30);
  while (box.Commands().empty() && Clock::now() < asked) {
    ASSERT_GE(host.WaitFor([](const std::string&) { return false; }, 0, 50), -1);
  }
  ASSERT_FALSE(box.Commands().empty());
  const auto start = Clock::now();
  EXPECT_EQ(host.Finish(30000), 0);
  EXPECT_LT(Clock::now() - start, std::chrono::seconds(3));
  EXPECT_FALSE(std::filesystem::exists(App() / ".setup.xml.tmp.Zq81Xy"));
}

// The matrix. Faults aimed at a command (error, silence, cut reply, flood,
// drip, reboot, hostile reply) hit the operation's own command; the
// transfer faults only concern the operations that move a file. kEither:
// a reply that arrives cut, slowly or drowned cannot always be told from a
// good one (no framing), but it must still end in time, safely.
std::vector<Case> Matrix() {
  const Expect F = Expect::kFails, S = Expect::kSucceeds, E = Expect::kEither;
  using Faults = std::vector<std::pair<std::string, Expect>>;
  // One command and its reply: what every such operation meets.
  const Faults kCommandFaults = {{"error", F},        {"silence", F}, {"cut_reply", E},
                                 {"flood", E},        {"drip", E},    {"reboot_mid_operation", F},
                                 {"hostile_reply", E}};
  // A file sent to the box: the announcement, the blocks, the acknowledgements.
  const Faults kSendFaults = {{"error", F},
                              {"silence", F},
                              {"drop_mid_transfer", F},
                              {"stall_mid_transfer", F},
                              {"garbage_acks", F},
                              {"reboot_mid_operation", F}};
  const std::map<std::string, Faults> table = {
      {"detect_tcp", kCommandFaults},
      {"detect_usb",
       {{"error", F}, {"silence", F}, {"flood", E}, {"drip", E}, {"hostile_reply", E}}},
      {"network_test", kCommandFaults},
      {"time_and_zone", kCommandFaults},
      {"config_send", kSendFaults},
      {"config_fetch",
       {{"error", F},
        {"silence", F},
        {"cut_reply", F},
        {"drop_mid_transfer", F},
        {"stall_mid_transfer", F},
        {"wrong_digest", F},
        {"flood", F},
        {"drip", E},
        {"split_header", S},
        {"header_2gib", F},
        {"reboot_mid_operation", F},
        {"hostile_reply", F}}},
      {"project_send", kSendFaults},
      {"project_fetch",
       {{"silence", F},
        {"drop_mid_transfer", F},
        {"stall_mid_transfer", F},
        {"wrong_digest", F},
        {"split_header", S},
        {"header_2gib", F},
        {"reboot_mid_operation", F}}},
      {"firmware_check",
       {{"error", F},
        {"silence", F},
        {"cut_reply", E},
        {"drip", E},
        {"reboot_mid_operation", F},
        {"hostile_reply", E}}},
      {"firmware_update",
       {{"error", F},
        {"silence", F},
        {"drop_mid_transfer", F},
        {"stall_mid_transfer", F},
        {"garbage_acks", F}}},
      {"mode",
       {{"error", F},
        {"silence", F},
        {"drip", E},
        {"reboot_mid_operation", F},
        {"hostile_reply", F}}},
      {"stop_and_reboot",
       {{"error", F},
        {"silence", F},
        {"cut_reply", E},
        {"reboot_mid_operation", F},
        {"hostile_reply", E}}},
      // The light command is not answered: only a box gone before it counts.
      {"light", {{"silence", S}, {"hostile_reply", S}}},
      {"machine_code", kCommandFaults},
  };
  std::vector<Case> cases;
  for (const auto& [op, faults] : table) {
    for (const auto& [fault, expect] : faults) cases.push_back({op, fault, expect});
  }
  return cases;
}

INSTANTIATE_TEST_SUITE_P(OperationsTimesFaults, FaultMatrix, ::testing::ValuesIn(Matrix()),
                         [](const ::testing::TestParamInfo<Case>& info) {
                           return info.param.op + "__" + info.param.fault;
                         });

}  // namespace
}  // namespace orbo::test
