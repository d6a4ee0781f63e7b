// Browser names, the detection rules on an in-memory registry, and opening
// an address in a stand-in browser.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <future>

#include "desktop/browser_detect.h"
#include "desktop/browser_names.h"
#include "desktop/browser_open.h"
#include "platform/memory_registry.h"
#include "settings/app_settings.h"
#include "support/temp_dir.h"

namespace fs = std::filesystem;

namespace orbo {
namespace {

TEST(BrowserNames, BothTablesInTheirOrder) {
  struct Case {
    std::string text;
    std::string fromPath, fromCommand;
  } cases[] = {
      {"C:\\x\\360chrome.exe", "360", "360chrome"},
      {"C:\\x\\chrome.exe", "Chrome", "Chrome"},
      {"C:\\Edge\\MicrosoftEdge.exe", "Edge", ""},
      {"C:\\opera.exe\\firefox.exe", "Opera", "Firefox"},
      {"C:\\IEXPLORE.EXE", "", "IE"},
      {"C:\\FIREFOX.EXE", "", ""},  // letter case counts
      {"/usr/bin/firefox-esr", "Firefox", "Firefox"},
      {"/opt/google/chrome/chrome", "Chrome", "Chrome"},
      {"/usr/bin/chromium", "Chrome", "Chrome"},
      {"/usr/bin/microsoft-edge", "Edge", ""},
      {"/home/operator/bin/tool", "", ""},
      {"\"/usr/bin/opera\" %u", "", "Opera"},
      {"", "", ""},
  };
  for (const Case& c : cases) {
    std::string name = "stale";
    EXPECT_EQ(BrowserNameFromPath(c.text, &name), !c.fromPath.empty()) << c.text;
    EXPECT_EQ(name, c.fromPath) << c.text;
    EXPECT_EQ(BrowserNameFromCommand(c.text, &name), !c.fromCommand.empty()) << c.text;
    EXPECT_EQ(name, c.fromCommand) << c.text;
  }
}

class BrowserDetect : public ::testing::Test {
 protected:
  // An executable file at rel; its full path.
  std::string Exe(const std::string& rel) { return dir_.Write(rel, "#!/bin/sh\n").string(); }
  void Command(RegRoot root, const std::string& sub, const std::string& value) {
    reg_.SetText(root, "SOFTWARE\\Clients\\StartMenuInternet\\" + sub + "\\shell\\open\\command",
                 "", value);
  }
  test::TempDir dir_;
  MemoryRegistry reg_;
  BrowserList list_;
};

TEST_F(BrowserDetect, ScanRules) {
  const std::string firefox = Exe("Mozilla/firefox.exe");
  const std::string c360 = Exe("360/360chrome.exe");
  const std::string chrome1 = Exe("G1/chrome.exe"), chrome2 = Exe("G2/chrome.exe");
  Command(RegRoot::kLocalMachine, "FIREFOX.EXE", "\"" + firefox + "\"");
  Command(RegRoot::kLocalMachine, "WithArgs", "\"" + firefox + "\" -osint");
  Command(RegRoot::kLocalMachine, "Quote", "\"");
  Command(RegRoot::kLocalMachine, "360", c360);
  Command(RegRoot::kLocalMachine, "Chrome1", chrome1);
  Command(RegRoot::kCurrentUser, "Chrome2", "\"" + chrome2 + "\"");
  reg_.AddKey(RegRoot::kCurrentUser, "SOFTWARE\\Clients\\StartMenuInternet\\NoCommand");
  ScanInstalledBrowsers(reg_, &list_);
  auto entries = list_.entries();
  ASSERT_EQ(entries.size(), 3u);
  EXPECT_EQ(entries[0].name, "Firefox");
  EXPECT_EQ(entries[0].path, firefox);
  EXPECT_EQ(entries[1].name, "360");
  EXPECT_EQ(entries[2].name, "Chrome");
  EXPECT_EQ(entries[2].path, chrome1);  // the first Chrome found
}

TEST_F(BrowserDetect, ResolveChoosesSettingThenChromeThenHttpHandler) {
  test::TempDir app;
  app.Write("SoftLang.ini", "[HMI]\nbro=Firefox\n");
  SettingsStore settings(app.path());
  settings.Load();
  const std::string chrome = Exe("chrome/google-chrome");
  const std::string edge = Exe("edge/microsoft-edge");
  // Firefox is asked for but not installed; Chrome is: Chrome, saved.
  DetectBrowsers(reg_, BrowserCandidates{{dir_.path() / "none", chrome}, {edge}}, &settings,
                 &list_);
  EXPECT_EQ(list_.selectedName(), "Chrome");
  EXPECT_EQ(list_.selectedPath(), chrome);
  EXPECT_NE(app.Read("SoftLang.ini").find("bro=Chrome"), std::string::npos);
  EXPECT_EQ(list_.entries().size(), 2u);
  EXPECT_TRUE(list_.SelectBrowser("Edge"));
  EXPECT_EQ(list_.selectedPath(), edge);
  EXPECT_FALSE(list_.SelectBrowser("Opera"));
  EXPECT_EQ(list_.selectedPath(), edge);
  // The settings dialog: a listed path selects its entry, another file is
  // appended under its own name.
  EXPECT_EQ(list_.PickExecutable(chrome), "Chrome");
  EXPECT_EQ(list_.PickExecutable("/opt/web/surf"), "surf");
  EXPECT_EQ(list_.entries().size(), 3u);
  EXPECT_EQ(list_.selectedPath(), "/opt/web/surf");
  EXPECT_EQ(list_.PickName("Edge"), "Edge");
  EXPECT_EQ(list_.selectedPath(), edge);

  // No Chrome: the http handler's command, named from its lowercased text,
  // cut after the quote that a space follows; the entry keeps its case.
  BrowserList fallback;
  fallback.SetSelectedName("Firefox");
  reg_.SetText(RegRoot::kClassesRoot, "http\\shell\\open\\command", "",
               "\"/Opt/FireFox/firefox\" -osint -url \"%1\"");
  EXPECT_TRUE(ResolveBrowser(reg_, BrowserCandidates{}, &fallback));
  EXPECT_EQ(fallback.selectedName(), "Firefox");
  EXPECT_EQ(fallback.selectedPath(), "\"/Opt/FireFox/firefox\"");

  // Nothing known: nothing changes.
  BrowserList nothing;
  nothing.SetSelectedName("Opera");
  reg_.SetText(RegRoot::kClassesRoot, "http\\shell\\open\\command", "", "/usr/bin/lynx %u");
  EXPECT_FALSE(ResolveBrowser(reg_, BrowserCandidates{}, &nothing));
  EXPECT_EQ(nothing.selectedPath(), "");
}

TEST(BrowserOpen, StartsTheSelectedBrowserWithTheAddressAsOneArgument) {
  test::TempDir dir;
  auto browser = dir.Write(
      "bin/browser", "#!/bin/sh\nprintf '%s|' \"$@\" > '" + (dir / "url.txt").string() + "'\n");
  fs::permissions(browser, fs::perms::owner_all);
  BrowserList list;
  list.SetSelected("Firefox", "\"" + browser.string() + "\"");
  const std::string url = "http://127.0.0.1:8080/a b?x=\"1\";$(touch y)&z=`id`";
  std::promise<int> ended;
  ProgramStarter start = [&](const std::vector<std::string>& argv) {
    return StartProgram(argv, [&](int status) { ended.set_value(status); }) > 0;
  };
  ASSERT_EQ(OpenUrl(list, url, start), OpenResult::kStarted);
  auto done = ended.get_future();
  ASSERT_EQ(done.wait_for(std::chrono::seconds(30)), std::future_status::ready);
  EXPECT_EQ(dir.Read("url.txt"), url + "|");
  EXPECT_FALSE(fs::exists(dir / "y"));

  std::vector<std::string> seen;
  ProgramStarter record = [&](const std::vector<std::string>& argv) {
    seen = argv;
    return true;
  };
  EXPECT_EQ(OpenUrl(list, "--remote-debugging-port=1", record), OpenResult::kRefused);
  EXPECT_EQ(OpenUrl(list, "http://x/\ny", record), OpenResult::kRefused);
  list.SetSelected("Edge", "");
  EXPECT_EQ(OpenUrl(list, "http://127.0.0.1/", record), OpenResult::kStarted);
  EXPECT_EQ(seen.back(), "microsoft-edge:http://127.0.0.1/");
  list.SetSelected("Opera", "");
  EXPECT_EQ(OpenUrl(list, "http://127.0.0.1/", record), OpenResult::kNoBrowser);
}

}  // namespace
}  // namespace orbo
