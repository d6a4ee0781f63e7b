// The desktop's browser entries as registry keys, built from desktop files
// and mimeapps.list in folders the test makes.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "platform/linux/desktop_entry.h"
#include "platform/linux/xdg_browsers.h"
#include "support/temp_dir.h"

namespace orbo {
namespace {

TEST(DesktopEntry, SplitsExecByItsQuotingRules) {
  struct Case {
    std::string exec;
    std::optional<std::vector<std::string>> args;
  } cases[] = {
      {"firefox %u", std::vector<std::string>{"firefox", "%u"}},
      {"  /opt/web  --new-window   %U ",
       std::vector<std::string>{"/opt/web", "--new-window", "%U"}},
      {R"("/opt/My Browser/run" "--flag=a \"b\"" \$HOME)",
       std::vector<std::string>{"/opt/My Browser/run", "--flag=a \"b\"", "\\$HOME"}},
      {R"(run "" x)", std::vector<std::string>{"run", "", "x"}},
      {R"(run "unclosed)", std::nullopt},
  };
  for (const Case& c : cases) EXPECT_EQ(SplitExec(c.exec), c.args) << c.exec;
}

class XdgBrowsers : public ::testing::Test {
 protected:
  void SetUp() override {
    old_path_ = std::getenv("PATH") ? std::getenv("PATH") : "";
    setenv("PATH", (dir_ / "bin").c_str(), 1);
    for (const char* name : {"firefox", "chromium", "webby", "editor"}) {
      auto p = dir_.Write(std::string("bin/") + name, "#!/bin/sh\n");
      std::filesystem::permissions(p, std::filesystem::perms::owner_all);
    }
    dirs_.dataHome = dir_ / "home";
    dirs_.dataDirs = {dir_ / "sys1", dir_ / "sys2"};
    dirs_.configHome = dir_ / "config";
  }
  void TearDown() override { setenv("PATH", old_path_.c_str(), 1); }

  std::string Entry(const std::string& exec, const std::string& categories = "Network;WebBrowser;",
                    const std::string& extra = "") {
    return "[Desktop Entry]\nType=Application\nName=Web\nExec=" + exec +
           "\nCategories=" + categories + "\n" + extra + "[Desktop Action new]\nExec=ignored\n";
  }

  test::TempDir dir_;
  XdgDirs dirs_;
  std::string old_path_;
};

TEST_F(XdgBrowsers, SynthesisesStartMenuKeysAndTheHttpHandler) {
  const std::string bin = (dir_ / "bin").string();
  dir_.Write("home/applications/firefox.desktop", Entry("env MOZ_X=1 firefox %u"));
  dir_.Write("sys1/applications/firefox.desktop", Entry("/usr/lib/old-firefox %u"));
  dir_.Write("sys1/applications/chromium.desktop", Entry(R"("chromium" --profile "a b" %U)"));
  dir_.Write("sys1/applications/gone.desktop", Entry("webby", "WebBrowser;", "Hidden=true\n"));
  dir_.Write("sys2/applications/editor.desktop", Entry("editor %F", "Utility;"));
  dir_.Write("sys2/applications/broken.desktop", Entry("\"webby"));
  dir_.Write("config/mimeapps.list",
             "[Added Associations]\nx-scheme-handler/http=firefox.desktop;\n"
             "[Default Applications]\nx-scheme-handler/http=missing.desktop;chromium.desktop;\n");

  DesktopBrowserRegistry reg(dirs_);
  const std::string base = "SOFTWARE\\Clients\\StartMenuInternet";
  EXPECT_EQ(reg.SubKeys(RegRoot::kCurrentUser, base), std::vector<std::string>{"firefox"});
  EXPECT_EQ(reg.SubKeys(RegRoot::kLocalMachine, base), std::vector<std::string>{"chromium"});
  EXPECT_EQ(reg.QueryText(RegRoot::kCurrentUser, base + "\\firefox\\shell\\open\\command", ""),
            "\"" + bin + "/firefox\"");
  EXPECT_EQ(reg.QueryText(RegRoot::kLocalMachine, base + "\\chromium\\shell\\open\\command", ""),
            "\"" + bin + "/chromium\"");
  EXPECT_EQ(reg.QueryText(RegRoot::kClassesRoot, "http\\shell\\open\\command", ""),
            "\"" + bin + "/chromium\" --profile \"a b\" %U");
}

TEST_F(XdgBrowsers, NoDefaultHandlerGivesNoHttpKey) {
  dir_.Write("home/applications/firefox.desktop", Entry("firefox %u"));
  DesktopBrowserRegistry reg(dirs_);
  EXPECT_FALSE(reg.HasKey(RegRoot::kClassesRoot, "http\\shell\\open\\command"));
  EXPECT_TRUE(reg.HasKey(RegRoot::kCurrentUser, "SOFTWARE\\Clients\\StartMenuInternet\\firefox"));
}

}  // namespace
}  // namespace orbo
