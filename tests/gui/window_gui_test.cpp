// The real window under a virtual X server: a test page in a temporary app
// directory uses the bridge, and the page log shows what crossed it. The
// page reports what it sees through its title (printed by --page-log); the
// test drives the window through --control. The box worker's cycles run
// against the simulated box over its USB report socket.
#include <cjson/cJSON.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>

#include "base/base64.h"
#include "orbo_process.h"
#include "support/box_sim.h"
#include "support/temp_dir.h"

namespace orbo {
namespace {

using test::kPatience;

using Json = std::unique_ptr<cJSON, void (*)(cJSON*)>;
Json Parse(const std::string& text) {
  return Json(cJSON_Parse(text.c_str()), cJSON_Delete);
}

// The page functions the native side calls, each reporting through the
// title; and on load a report of what the page found. Title changes that
// follow each other quickly may reach the window as one, so AddText reports
// every line it got so far.
constexpr char kTestPage[] = R"(<!DOCTYPE html>
<html><head><meta charset="utf-8"><title>test page</title><script>
var seq = 0;
function report(o) { o.seq = ++seq; document.title = JSON.stringify(o); }
var lines = [];
function AddText(t) {
  lines.push(t);
  var p = document.createElement('p');
  p.textContent = t;
  document.body.appendChild(p);
  report({AddText: lines});
}
function SaveSetting() { report({SaveSetting: true}); }
function DisableOperate(b) { report({DisableOperate: b}); }
var frames = {};
window.addEventListener('message', function(e) {
  frames[e.data.who] = e.data;
  report({frames: frames});
});
window.addEventListener('load', function() {
  var r = {report: 'load', typeofApp: typeof app, jsValue: jsValue, lang: CurrentAppLang,
           nOem: nOem, nFirst: nFirst, nRep: nRep, curserver: curserver, vircom: CurVirCom,
           ver: CurSoftVer, hidden: Object.keys(window).indexOf('__orboNative')};
  r.cmd23 = app.jsInvokeCPlusPlus('23', '');
  r.cmd5 = String(app.jsInvokeCPlusPlus('5', ''));
  try { myobject.myval = 5; r.myval = 'no exception'; } catch (e) { r.myval = e.message; }
  myobject.myval = 'abc';
  r.myvalBack = myobject.myval;
  report(r);
  app.jsInvokeCPlusPlus('12');       // one entry: not used by the window
  app.jsInvokeCPlusPlus(7, 'x');     // a number as v1: command 0
});
</script></head><body><h3>ORBO test page</h3><p>The bridge under test.</p></body></html>
)";

// Frames tell their parent what they found; the tool's frame also calls the
// window.
constexpr char kFramePage[] = R"(<!DOCTYPE html>
<html><head><script>
window.addEventListener('load', function() {
  var who = location.pathname.indexOf('/html/') >= 0 ? 'tool' : 'foreign';
  if (typeof app === 'object') app.jsInvokeCPlusPlus('5', 'from the ' + who + ' frame');
  parent.postMessage({who: who, typeofApp: typeof app, ver: typeof CurSoftVer}, '*');
});
</script></head><body>frame</body></html>
)";

constexpr char kOutsidePage[] = R"(<!DOCTYPE html>
<html><head><title>outside</title><script>
window.addEventListener('load', function() {
  document.title = JSON.stringify({report: 'outside', typeofApp: typeof app,
                                   ver: typeof CurSoftVer, myobject: typeof myobject});
});
</script></head><body>outside</body></html>
)";

// A setup page that only records what the box worker tells it: the
// detected box, its log lines and each enabling or disabling of its
// operations, all reported together in the title. It queues nothing at
// load, so the detection the setup button queued stays queued.
constexpr char kBoxPage[] = R"(<!DOCTYPE html>
<html><head><meta charset="utf-8"><title>box page</title><script>
var state = {seq: 0, detect: null, lines: [], disable: []};
function report() { state.seq++; document.title = JSON.stringify(state); }
function DetectBox(type, mode) {
  state.detect = [type, mode];
  document.getElementById('box').textContent = 'Box ' + type + ', mode ' + mode;
  report();
}
function AddText(t) {
  state.lines.push(t);
  var p = document.createElement('p');
  p.textContent = t;
  document.getElementById('log').appendChild(p);
  report();
}
function DisableOperate(b) {
  state.disable.push(b);
  document.getElementById('light').disabled = b;
  report();
}
</script></head><body><h3 id="box">No box yet</h3><button id="light">Light</button>
<div id="log"></div></body></html>
)";

// True when the JSON array holds the string (or, with a null text, the
// boolean) wanted.
bool Holds(const cJSON* array, const char* text, bool flag = false) {
  const cJSON* item = nullptr;
  cJSON_ArrayForEach(item, array) {
    if (text != nullptr && cJSON_IsString(item) && std::string(item->valuestring) == text) {
      return true;
    }
    if (text == nullptr && cJSON_IsBool(item) && cJSON_IsTrue(item) == flag) return true;
  }
  return false;
}

class WindowGuiTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ORBO_SKIP_WITHOUT_XVFB();
    app_.Write("html/first_page.html", kTestPage);
    app_.Write("outside.html", kOutsidePage);
    app_.Write("html/frame.html", kFramePage);
    app_.Write("frame.html", kFramePage);
    app_.Write("html/i18n/strings_en.properties",
               Base64Encode("alert_title=Alert\nsave_config_failed=Saving failed\n"));
    app_.Write("SoftLang.ini",
               "[HMI]\noem=0\nfirst=1\nlang=en\nrep=gateway\nVirCom=COM7\ncurserver=Europe\n");
    app_.Write("ReleaseLog.log", "<HMISet><Hmi Help_Ch=\"HMI V2.3.4 build\"/></HMISet>");
    std::filesystem::create_directories(Artifacts());
    std::filesystem::create_directories(tmp_.path());
  }

  static std::filesystem::path Artifacts() {
    return std::filesystem::path(ORBO_BINARY_DIR) / "tests" / "artifacts";
  }

  // Starts orbo on the test app directory.
  ::testing::AssertionResult StartOrbo(std::vector<std::string> extra) {
    std::vector<std::string> args = {"--no-port",  "--app-dir", app_.path().string(),
                                     "--page-log", "--control", "--exit-after",
                                     "240000"};
    args.insert(args.end(), extra.begin(), extra.end());
    return orbo_.StartTool(args, tmp_.path());
  }

  ::testing::AssertionResult Logged(const std::string& text) { return orbo_.Logged(text); }
  std::string Diagnostics() const { return orbo_.Diagnostics(); }

  // The first title the page reported (parsed) that satisfies match, or
  // null.
  Json WaitForTitle(const std::function<bool(const cJSON*)>& match) {
    std::string title;
    orbo_.WaitForLine(
        [&](const std::string& line) {
          Json json = Parse(line);
          const cJSON* t = cJSON_GetObjectItemCaseSensitive(json.get(), "title");
          if (!cJSON_IsString(t)) return false;
          Json inner = Parse(t->valuestring);
          if (!inner || !match(inner.get())) return false;
          title = t->valuestring;
          return true;
        },
        kPatience);
    return Parse(title);
  }
  Json WaitForReport(const std::string& key) {
    return WaitForTitle(
        [&](const cJSON* report) { return cJSON_HasObjectItem(report, key.c_str()); });
  }

  static std::string Text(const Json& json, const char* key) {
    const cJSON* item = cJSON_GetObjectItemCaseSensitive(json.get(), key);
    return cJSON_IsString(item) ? item->valuestring : "<not a string>";
  }
  static double Number(const Json& json, const char* key) {
    const cJSON* item = cJSON_GetObjectItemCaseSensitive(json.get(), key);
    return cJSON_IsNumber(item) ? item->valuedouble : -999;
  }

  test::TempDir app_;
  test::TempDir tmp_;
  test::OrboProcess orbo_;
};

TEST_F(WindowGuiTest, ToolPageUsesTheBridgeBothWays) {
  const std::string shot = (Artifacts() / "window_monitor_placeholder.png").string();
  ASSERT_TRUE(StartOrbo({"--start", "setup", "--answer", "ok", "--screenshot", shot}));
  Json report = WaitForReport("report");
  ORBO_ASSERT_UP(orbo_, report);
  EXPECT_EQ(Text(report, "typeofApp"), "object");
  EXPECT_EQ(Text(report, "jsValue"), "C++ created Value!");
  EXPECT_EQ(Text(report, "lang"), "en");
  EXPECT_EQ(Number(report, "nOem"), 0);
  EXPECT_EQ(Number(report, "nFirst"), 1);
  EXPECT_EQ(Text(report, "nRep"), "gateway");
  EXPECT_EQ(Text(report, "curserver"), "Europe");
  // The COM name is announced once it is set, the port still starting or not.
  EXPECT_EQ(Text(report, "vircom"), "COM7: Virtual Serial Port");
  EXPECT_EQ(Text(report, "ver"), "2.3.4");
  EXPECT_EQ(Number(report, "hidden"), -1);
  EXPECT_TRUE(cJSON_IsNumber(cJSON_GetObjectItemCaseSensitive(report.get(), "cmd23")));
  EXPECT_EQ(Text(report, "cmd5"), "undefined");
  EXPECT_EQ(Text(report, "myval"), "Invalid value type");
  EXPECT_EQ(Text(report, "myvalBack"), "abc");

  // Page calls as the window received them, and their results.
  ASSERT_TRUE(Logged(R"({"call":["5",""]})"));
  const size_t call = orbo_.index_of_last();
  ASSERT_TRUE(Logged(R"({"result":0})"));
  EXPECT_LT(call, orbo_.index_of_last());
  ASSERT_TRUE(Logged(R"({"dropped":"page call with 1 entries"})"));
  ASSERT_TRUE(Logged(R"({"call":["","x"]})"));
  ASSERT_TRUE(Logged(R"({"asking":"message","text":"Saving failed"})"));
  ASSERT_TRUE(Logged(R"({"prompt":"message","text":"Saving failed","answer":"ok"})"));
  ASSERT_TRUE(Logged(R"({"result":2})"));

  // Scripts from a thread other than the UI thread, as the box worker sends
  // them, arrive in order and run the page's functions.
  orbo_.Send(R"({"run":"AddText(\"from the worker\");"})");
  orbo_.Send(R"({"run":"save_config_failed","kind":0})");
  orbo_.Send(R"({"run":"a \"quoted\" line","kind":2})");
  ASSERT_TRUE(Logged(R"({"script":"AddText(\"from the worker\");"})"));
  const size_t first = orbo_.index_of_last();
  ASSERT_TRUE(Logged(R"({"script":"AddText(\"Saving failed\");"})"));
  const size_t second = orbo_.index_of_last();
  ASSERT_TRUE(Logged(R"({"script":"AddText(\"a \\\"quoted\\\" line\");"})"));
  EXPECT_LT(first, second);
  EXPECT_LT(second, orbo_.index_of_last());
  Json added = WaitForTitle([](const cJSON* report) {
    return cJSON_GetArraySize(cJSON_GetObjectItemCaseSensitive(report, "AddText")) == 3;
  });
  ASSERT_TRUE(added) << Diagnostics();
  Json expected = Parse(R"(["from the worker","Saving failed","a \"quoted\" line"])");
  EXPECT_TRUE(cJSON_Compare(cJSON_GetObjectItemCaseSensitive(added.get(), "AddText"),
                            expected.get(), true));

  const std::string setup_shot = (Artifacts() / "window_setup_page.png").string();
  ASSERT_TRUE(orbo_.Screenshot(setup_shot));

  // Leaving the setup page asks it to save first, then shows the monitor
  // page (no address configured here: the local placeholder).
  orbo_.Send(R"({"button":"monitor"})");
  ASSERT_TRUE(Logged(R"({"script":"SaveSetting();"})"));
  EXPECT_TRUE(WaitForReport("SaveSetting")) << Diagnostics();
  ASSERT_TRUE(Logged(R"({"loaded":"about:blank"})"));

  EXPECT_TRUE(orbo_.Finish());
  EXPECT_TRUE(std::filesystem::exists(shot));  // written as the window closed
}

TEST_F(WindowGuiTest, SetupAgainReloadsAndOutsidePagesGetNoBridge) {
  ASSERT_TRUE(StartOrbo({"--start", "setup", "--answer", "ok"}));
  Json report = WaitForReport("report");
  ORBO_ASSERT_UP(orbo_, report);
  const std::string first_page = "file://" + (app_.path() / "html" / "first_page.html").string();
  ASSERT_TRUE(Logged(R"({"loaded":")" + first_page + "\"}"));

  // The setup page again: the same address is reloaded, and the new page
  // gets the bridge as the first one did.
  orbo_.Send(R"({"button":"setup"})");
  ASSERT_TRUE(Logged(R"({"loaded":")" + first_page + "\"}"));
  Json again = WaitForReport("report");
  ASSERT_TRUE(again) << Diagnostics();
  EXPECT_EQ(Text(again, "typeofApp"), "object");

  // A frame of the tool's own pages gets the bridge and the page values; a
  // foreign frame inside the tool's page gets neither.
  orbo_.Send(R"({"run":"['frame.html', '../frame.html'].forEach(function(src) {)"
             R"( var f = document.createElement('iframe'); f.src = src;)"
             R"( document.body.appendChild(f); });"})");
  Json frames = WaitForTitle([](const cJSON* report) {
    const cJSON* f = cJSON_GetObjectItemCaseSensitive(report, "frames");
    return cJSON_HasObjectItem(f, "tool") && cJSON_HasObjectItem(f, "foreign");
  });
  ASSERT_TRUE(frames) << Diagnostics();
  const cJSON* seen = cJSON_GetObjectItemCaseSensitive(frames.get(), "frames");
  Json tool(cJSON_Duplicate(cJSON_GetObjectItemCaseSensitive(seen, "tool"), true), cJSON_Delete);
  Json foreign(cJSON_Duplicate(cJSON_GetObjectItemCaseSensitive(seen, "foreign"), true),
               cJSON_Delete);
  EXPECT_EQ(Text(tool, "typeofApp"), "object");
  EXPECT_EQ(Text(tool, "ver"), "string");
  EXPECT_EQ(Text(foreign, "typeofApp"), "undefined");
  EXPECT_EQ(Text(foreign, "ver"), "undefined");
  ASSERT_TRUE(Logged(R"({"call":["5","from the tool frame"]})"));

  orbo_.Send(R"({"run":"location.href = '../outside.html';"})");
  Json outside = WaitForReport("report");
  while (outside && Text(outside, "report") != "outside") outside = WaitForReport("report");
  ASSERT_TRUE(outside) << Diagnostics();
  EXPECT_EQ(Text(outside, "typeofApp"), "undefined");
  EXPECT_EQ(Text(outside, "ver"), "undefined");
  EXPECT_EQ(Text(outside, "myobject"), "undefined");
  EXPECT_TRUE(orbo_.Finish());
}

TEST_F(WindowGuiTest, FileDialogsAnswerTheProjectCommands) {
  const std::filesystem::path project = app_.Write("projects/plant.kzrp", "project");
  const std::filesystem::path target = app_ / "projects" / "backup";
  ASSERT_TRUE(StartOrbo({"--start", "setup", "--answer", "ok", "--file", project.string(), "--file",
                         target.string()}));
  Json report = WaitForReport("report");
  ORBO_ASSERT_UP(orbo_, report);
  ASSERT_TRUE(Logged(R"({"result":2})"));  // the page's own command 0 at load

  // Commands 14 and 15 from the page: an open dialog that must find the
  // file, a save dialog that adds the default extension, then an open
  // dialog with no answer left, which is cancelled.
  orbo_.Send(R"({"run":"app.jsInvokeCPlusPlus('14', '');"})");
  ASSERT_TRUE(Logged(R"({"asking":"open","text":"*.kzrp"})"));
  ASSERT_TRUE(Logged(R"({"prompt":"open","text":"*.kzrp","answer":")" + project.string() + "\"}"));
  ASSERT_TRUE(Logged(R"({"result":0})"));
  orbo_.Send(R"({"run":"app.jsInvokeCPlusPlus('15', 'secret');"})");
  ASSERT_TRUE(
      Logged(R"({"prompt":"save","text":"*.kzrp","answer":")" + target.string() + ".kzrp\"}"));
  ASSERT_TRUE(Logged(R"({"result":0})"));
  orbo_.Send(R"({"run":"app.jsInvokeCPlusPlus('14', '');"})");
  ASSERT_TRUE(Logged(R"({"prompt":"open","text":"*.kzrp","answer":"cancel"})"));
  ASSERT_TRUE(Logged(R"({"result":1})"));
  EXPECT_TRUE(orbo_.Finish());
}

TEST_F(WindowGuiTest, ClosingWhileAQuestionIsOpenEndsCleanly) {
  // No prepared answers: the message box of command 0 waits for a user who
  // never comes, and the window is closed meanwhile.
  ASSERT_TRUE(StartOrbo({"--start", "setup"}));
  ORBO_ASSERT_UP(
      orbo_,
      !orbo_.WaitForLine(R"({"asking":"message","text":"Saving failed"})", kPatience).empty());
  const std::string shot = (Artifacts() / "window_question_open.png").string();
  ASSERT_TRUE(orbo_.Screenshot(shot));
  EXPECT_TRUE(orbo_.Finish());
}

TEST_F(WindowGuiTest, BoxWorkerDetectsTheSimulatedBoxAndRunsAQueuedOperation) {
  app_.Write("html/first_page.html", kBoxPage);
  app_.Write("html/i18n/strings_en.properties",
             Base64Encode("alert_title=Alert\nlight_cmd_suc=The box light blinks\n"));
  test::TempDir box_dir;
  test::BoxSim box(
      box_dir.path(),
      {.profileJson = R"({"hmiType":"OP-S70","serial":"SN-GUI-7","mode":2})", .udp = false});
  ASSERT_TRUE(box.ready()) << "orbo-boxsim did not start";
  ASSERT_TRUE(StartOrbo({"--usb-sim", box.usb_path(), "--start", "setup"}));

  // The setup button's detection: the box's type and mode, its serial as a
  // log line, then the operations enabled by the next (idle) cycle.
  const std::string detected = R"({"script":"DetectBox(\"OP-S70\", 2);"})";
  ORBO_ASSERT_UP(orbo_, orbo_.WaitForLine(detected, kPatience) == detected);
  const size_t detect_at = orbo_.index_of_last();
  ASSERT_TRUE(Logged(R"({"script":"AddText(\"SN-GUI-7\");"})"));
  EXPECT_LT(detect_at, orbo_.index_of_last());
  ASSERT_TRUE(Logged(R"({"script":"DisableOperate(false);"})"));
  Json page = WaitForTitle([](const cJSON* state) {
    const cJSON* detect = cJSON_GetObjectItemCaseSensitive(state, "detect");
    return Holds(detect, "OP-S70") && cJSON_GetNumberValue(cJSON_GetArrayItem(detect, 1)) == 2 &&
           Holds(cJSON_GetObjectItemCaseSensitive(state, "lines"), "SN-GUI-7") &&
           Holds(cJSON_GetObjectItemCaseSensitive(state, "disable"), nullptr, false);
  });
  EXPECT_TRUE(page) << "the page's functions did not run" << Diagnostics();

  // A box operation queued by the page runs in a later cycle, with the
  // operations disabled first.
  orbo_.Send(R"({"run":"app.jsInvokeCPlusPlus('18', '');"})");
  ASSERT_TRUE(Logged(R"({"call":["18",""]})"));
  const size_t call_at = orbo_.index_of_last();
  ASSERT_TRUE(Logged(R"({"script":"DisableOperate(true);"})"));
  const size_t disabled_at = orbo_.index_of_last();
  ASSERT_TRUE(
      Logged(R"({"script":"AddText(\"----------------------------------------------\");"})"));
  const size_t dashes_at = orbo_.index_of_last();
  ASSERT_TRUE(Logged(R"({"script":"AddText(\"The box light blinks\");"})"));
  EXPECT_LT(call_at, disabled_at);
  EXPECT_LT(disabled_at, dashes_at);
  EXPECT_LT(dashes_at, orbo_.index_of_last());
  page = WaitForTitle([](const cJSON* state) {
    return Holds(cJSON_GetObjectItemCaseSensitive(state, "lines"), "The box light blinks") &&
           Holds(cJSON_GetObjectItemCaseSensitive(state, "disable"), nullptr, true);
  });
  EXPECT_TRUE(page) << Diagnostics();

  const std::string shot = (Artifacts() / "window_box_detected.png").string();
  ASSERT_TRUE(orbo_.Screenshot(shot));
  EXPECT_TRUE(orbo_.Finish());

  // The box saw the identification, then the light command.
  const std::vector<std::string> commands = box.Commands();
  ASSERT_GE(commands.size(), 4u) << box_dir.Read("boxsim.log");
  EXPECT_EQ(std::vector<std::string>(commands.begin(), commands.begin() + 3),
            (std::vector<std::string>{"GetHMIType\r", "GetRmtSN\r\n", "GetBoxMode\r\n"}));
  EXPECT_EQ(commands.back(), "Light\r");
}

TEST_F(WindowGuiTest, OneCopyPerUserF5ReloadsAndFailedLoadsShowAnEscapedErrorPage) {
  ASSERT_TRUE(StartOrbo({"--start", "setup", "--answer", "ok"}));
  Json report = WaitForReport("report");
  ORBO_ASSERT_UP(orbo_, report);
  const std::string loaded =
      R"({"loaded":"file://)" + (app_.path() / "html" / "first_page.html").string() + "\"}";
  ASSERT_TRUE(Logged(loaded));

  // A second start (same user runtime folder) ends at once without a window.
  test::OrboProcess second;
  std::string error;
  ASSERT_TRUE(second.Start(std::string(ORBO_APP_DIR) + "/orbo",
                           {"--no-port", "--app-dir", app_.path().string(), "--page-log"},
                           tmp_.path(), tmp_ / "second.txt", &error))
      << error;
  EXPECT_EQ(second.Wait(kPatience), 0) << tmp_.Read("second.txt");
  EXPECT_TRUE(second.Lines().empty());

  // The letter t does nothing; F5 reloads the page once (the first copy
  // still runs), and the page gets the key too.
  orbo_.Send(R"({"run":"window.addEventListener('keydown', e => { if (e.key === 'F5') )"
             R"(document.title = 'page got F5'; }); document.title = 'listening';"})");
  ASSERT_TRUE(Logged(R"({"title":"listening"})"));
  orbo_.Send(R"({"key":"t"})");
  orbo_.Send(R"({"key":"F5"})");
  ASSERT_TRUE(Logged(R"({"title":"page got F5"})"));
  ASSERT_TRUE(Logged(R"({"key":"reload"})"));
  const size_t reload_at = orbo_.index_of_last();
  ASSERT_TRUE(Logged(loaded));
  EXPECT_GT(orbo_.index_of_last(), reload_at);
  for (size_t i = 0; i < reload_at; ++i) {
    EXPECT_EQ(orbo_.Lines()[i].rfind(R"({"key")", 0), std::string::npos) << orbo_.Lines()[i];
  }

  // An address with markup in it fails to load; the error page shows it as text.
  orbo_.Send(R"({"run":"location.href = 'orbo-none:<b>x</b>&y';"})");
  ASSERT_FALSE(orbo_
                   .WaitForLine(
                       [](const std::string& line) {
                         return line.rfind(R"({"loaded":"orbo-none:)", 0) == 0;
                       },
                       kPatience)
                   .empty())
      << Diagnostics();
  orbo_.Send(R"({"run":"document.title = JSON.stringify({errorPage: document.body.textContent, )"
             R"(tags: document.body.getElementsByTagName('b').length});"})");
  Json page = WaitForReport("errorPage");
  ASSERT_TRUE(page) << Diagnostics();
  EXPECT_EQ(Text(page, "errorPage").rfind("Failed to load URL orbo-none:<b>x</b>&y with error ", 0),
            0u)
      << Text(page, "errorPage");
  EXPECT_EQ(Number(page, "tags"), 0);

  EXPECT_TRUE(orbo_.Finish());
  // The key the page left unhandled came back from the engine: still one reload.
  const std::vector<std::string> lines = orbo_.Lines();
  EXPECT_EQ(std::count(lines.begin(), lines.end(), R"({"key":"reload"})"), 1);
}

// The shipped pages, strings, skin and icon in the test's app directory,
// with settings of the test's own.
void CopyShippedApp(const test::TempDir& app, const std::string& ini) {
  const std::filesystem::path shipped(ORBO_APP_DIR);
  for (const char* item : {"html", "Skins", "orbo.png", "ReleaseLog.log"}) {
    std::filesystem::copy(shipped / item, app / item,
                          std::filesystem::copy_options::recursive |
                              std::filesystem::copy_options::overwrite_existing);
  }
  app.Write("SoftLang.ini", ini);
}

TEST_F(WindowGuiTest, CaptionButtonsReachTheAboutBoxSettingsAndSetupPages) {
  CopyShippedApp(app_, "[HMI]\noem=0\nname=ORBO\nlang=en\nserver=0\n");
  test::TempDir box_dir;
  test::BoxSim box(
      box_dir.path(),
      {.profileJson = R"({"hmiType":"OP-X70","serial":"SN-FRAME-1","mode":1})", .udp = false});
  ASSERT_TRUE(box.ready()) << "orbo-boxsim did not start";
  const std::filesystem::path saved = tmp_ / "downloaded.txt";
  ASSERT_TRUE(StartOrbo({"--usb-sim", box.usb_path(), "--auto-answer", "--file", saved.string()}));

  // Start-up shows the monitor page.
  const std::string monitor = "file://" + (app_.path() / "html" / "monitor.html").string();
  ORBO_ASSERT_UP(orbo_, !orbo_.WaitForLine(R"({"loaded":")" + monitor + "\"}", kPatience).empty());

  // About: the caption button opens it with the tool's own texts.
  orbo_.Send(R"({"button":"about"})");
  ASSERT_TRUE(Logged(R"({"caption":"about"})"));
  const std::string about = orbo_.WaitForLine(
      [](const std::string& line) { return line.rfind(R"({"dialog":"about")", 0) == 0; },
      kPatience);
  Json dialog = Parse(about);
  ASSERT_TRUE(dialog) << Diagnostics();
  EXPECT_EQ(Text(dialog, "title"), "About ORBO");
  EXPECT_FALSE(Text(dialog, "product").empty());
  const std::string about_shot = (Artifacts() / "window_about.png").string();
  ASSERT_TRUE(orbo_.Screenshot(about_shot));
  orbo_.Send(R"({"dialog":"close"})");
  ASSERT_TRUE(Logged(R"({"dialog":"closed"})"));

  // Settings: the port is off (so ready); afterwards the cloud address is
  // read again, and a changed one is shown with the "ready" status.
  const std::string xml = app_.Read("html/Default.xml");
  const size_t url = xml.find("URL2=\"monitor.html\"");
  ASSERT_NE(url, std::string::npos);
  app_.Write("html/monitor2.html", app_.Read("html/monitor.html"));
  app_.Write("html/Default.xml", std::string(xml).replace(url, 19, "URL2=\"monitor2.html\""));
  orbo_.Send(R"({"button":"config"})");
  ASSERT_TRUE(Logged(R"({"caption":"config"})"));
  ASSERT_TRUE(Logged(R"({"dialog":"opened","com":""})"));
  orbo_.Send(R"({"dialog":"close"})");
  ASSERT_TRUE(Logged(R"({"loaded":")" + monitor.substr(0, monitor.size() - 5) + "2.html\"}"));
  EXPECT_TRUE(Logged(R"({"status":"Ready"})"));

  // Setup: the setup page, and the simulated box found on its cable.
  orbo_.Send(R"({"button":"setup"})");
  ASSERT_TRUE(Logged(R"({"caption":"setup"})"));
  ASSERT_TRUE(Logged(R"({"script":"DetectBox(\"OP-X70\", 1);"})"));
  ASSERT_TRUE(Logged(R"({"script":"DisableOperate(false);"})"));
  const std::string shot = (Artifacts() / "window_setup_detected.png").string();
  ASSERT_TRUE(orbo_.Screenshot(shot));

  // A download goes through the Save dialog to the chosen file.
  orbo_.Send(R"({"run":"var a = document.createElement('a'); a.href = 'data:text/plain,saved';)"
             R"( a.download = 'x.txt'; document.body.appendChild(a); a.click();"})");
  ASSERT_TRUE(Logged(R"({"prompt":"save","text":"","answer":")" + saved.string() + "\"}"));
  ASSERT_TRUE(Logged(R"({"download":")" + saved.string() + "\"}"));
  EXPECT_EQ(test::ReadAll(saved), "saved");

  EXPECT_TRUE(orbo_.Finish());
}

TEST_F(WindowGuiTest, ClosingWithServerSetRemovesThePortServiceWithoutAsking) {
  // A stand-in port service that only records its commands.
  app_.Write("orbo-portd", "#!/bin/sh\necho \"$*\" >> \"$(dirname \"$0\")/portd-calls.txt\"\n");
  std::filesystem::permissions(app_ / "orbo-portd", std::filesystem::perms::owner_all);
  app_.Write("SoftLang.ini", "[HMI]\noem=0\nlang=en\nserver=1\n");
  app_.Write("html/i18n/strings_en.properties",
             Base64Encode("alert_title=Alert\ninstall_server_success=Service installed\n"));
  ASSERT_TRUE(
      orbo_.StartTool({"--app-dir", app_.path().string(), "--page-log", "--control"}, tmp_.path()));
  const std::string shown = orbo_.WaitForLine(
      [](const std::string& line) { return line.rfind(R"({"loaded":)", 0) == 0; }, kPatience);
  ORBO_ASSERT_UP(orbo_, !shown.empty());

  // The port's start-up installed the (stand-in) service.
  ASSERT_TRUE(Logged(R"({"status":"Service installed"})"));
  orbo_.Send(R"({"quit":true})");
  ASSERT_TRUE(Logged(R"({"service":"removed"})"));
  EXPECT_EQ(orbo_.Wait(kPatience), 0) << Diagnostics();
  for (const std::string& line : orbo_.Lines()) {
    EXPECT_EQ(line.rfind(R"({"asking")", 0), std::string::npos) << line;
  }
  const std::string calls = app_.Read("portd-calls.txt");
  const size_t disable = calls.rfind("disable\n");
  ASSERT_NE(disable, std::string::npos) << calls;
  EXPECT_NE(calls.find("uninstall\n", disable), std::string::npos) << calls;
}

}  // namespace
}  // namespace orbo
