// orbo-cli editors, browsers and open, run as the built program against a
// Wine prefix, XDG folders and stand-in programs made by the test.
#include <gtest/gtest.h>

#include <filesystem>

#include "desktop/browser_detect.h"
#include "support/child_process.h"
#include "support/temp_dir.h"

namespace fs = std::filesystem;

namespace orbo {
namespace {

struct CliRun {
  int code;
  std::string out;
  std::string err;
};

class CliDesktop : public ::testing::Test {
 protected:
  CliRun Cli(std::vector<std::string> args) {
    args.insert(args.begin(),
                {std::string(ORBO_APP_DIR) + "/orbo-cli", "--app-dir", (dir_ / "app").string()});
    test::ChildOptions options;
    options.errFile = dir_ / "err.txt";
    options.setEnv = {"WINEPREFIX=" + (dir_ / "prefix").string(),
                      "PATH=" + (dir_ / "bin").string() + ":/usr/bin:/bin",
                      "XDG_DATA_HOME=" + (dir_ / "data").string(),
                      "XDG_DATA_DIRS=" + (dir_ / "none").string(),
                      "XDG_CONFIG_HOME=" + (dir_ / "config").string(),
                      "XDG_CONFIG_DIRS=" + (dir_ / "none").string()};
    test::ChildProcess child(args, options);
    CliRun r{child.Wait(30000), "", ""};
    child.WaitFor([](const std::string&) { return false; }, 0, 30000);  // to the output's end
    for (const std::string& line : child.Lines()) r.out += line + "\n";
    r.err = test::ReadAll(dir_ / "err.txt");
    return r;
  }
  test::TempDir dir_;
};

TEST_F(CliDesktop, EditorsListAndSet) {
  dir_.Write("app/SoftLang.ini", "[HMI]\noem=0\n");
  fs::create_directories(dir_ / "prefix/dosdevices");
  fs::create_symlink("../drive_c", dir_ / "prefix/dosdevices/c:");
  const std::string rel = "prefix/drive_c/Editor/";
  dir_.Write(rel + "HMIEditor.exe", "MZ");
  dir_.Write(rel + "ReleaseLog.log", "<HMISet><Hmi Help_Ch=\"V7\"/></HMISet>");
  dir_.Write(rel + "simulation/ieg/HMIUI.exe", "MZ");
  dir_.Write("prefix/system.reg",
             "WINE REGISTRY Version 2\n"
             "[Software\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\Uninstall\\\\Ed] 1\n"
             "\"DisplayName\"=\"Editor\"\n\"InstallLocation\"=\"C:\\\\Editor\\\\\"\n");
  // Without the download tool the folder is refused and nothing is saved.
  CliRun r = Cli({"editors", "set", "C:\\Editor"});
  EXPECT_NE(r.code, 0);
  EXPECT_NE(r.err.find("hmi_incompat_ver"), std::string::npos) << r.err;
  EXPECT_FALSE(fs::exists(dir_ / "app/hmi.xml"));

  dir_.Write(rel + "Download.exe", "MZ");
  const std::string folder = fs::canonical(dir_ / "prefix/drive_c").string() + "/Editor/";
  r = Cli({"editors", "set", "C:\\Editor"});
  EXPECT_EQ(r.code, 0) << r.err;
  r = Cli({"editors", "--json"});
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.out, "{\"winePrefix\":\"" + (dir_ / "prefix").string() +
                       "\",\"installed\":[{\"folder\":\"" + folder +
                       "\",\"windowsFolder\":\"C:\\\\Editor\\\\\",\"version\":\"V7\","
                       "\"usable\":true}],\"configured\":{\"folder\":\"" +
                       folder + "\",\"version\":\"V7\",\"usable\":true}}\n");
}

TEST_F(CliDesktop, BrowsersAndOpen) {
  for (const auto& list :
       {BrowserCandidates::Default().chrome, BrowserCandidates::Default().edge}) {
    for (const std::string& path : list) {
      if (fs::exists(path)) GTEST_SKIP() << "a browser is installed at " << path;
    }
  }
  dir_.Write("app/SoftLang.ini", "[HMI]\noem=0\nbro=Opera\n");
  auto firefox = dir_.Write(
      "bin/firefox", "#!/bin/sh\nprintf '%s|' \"$@\" > '" + (dir_ / "url.txt").string() + "'\n");
  fs::permissions(firefox, fs::perms::owner_all);
  dir_.Write("data/applications/org.mozilla.firefox.desktop",
             "[Desktop Entry]\nType=Application\nName=Firefox\nExec=firefox %u\n"
             "Categories=Network;WebBrowser;\n");
  dir_.Write("config/mimeapps.list",
             "[Default Applications]\nx-scheme-handler/http=org.mozilla.firefox.desktop\n");
  CliRun r = Cli({"browsers"});
  EXPECT_EQ(r.code, 0) << r.err;
  // Opera is not installed and there is no Chrome: the default handler.
  EXPECT_EQ(r.out, "browser\tFirefox\t" + firefox.string() + "\nbrowser\tFirefox\t\"" +
                       firefox.string() + "\"\nselected\tFirefox\t\"" + firefox.string() + "\"\n");
  EXPECT_NE(test::ReadAll(dir_ / "app/SoftLang.ini").find("bro=Opera"), std::string::npos);

  r = Cli({"open", "http://127.0.0.1/x?a=1;b=$(id)"});
  EXPECT_EQ(r.code, 0) << r.err;
  // open detects as start-up does, which saves the fallback's name.
  EXPECT_NE(test::ReadAll(dir_ / "app/SoftLang.ini").find("bro=Firefox"), std::string::npos);
  r = Cli({"open", "-x"});
  EXPECT_NE(r.code, 0);
  EXPECT_NE(r.err.find("refused"), std::string::npos);
}

}  // namespace
}  // namespace orbo
