// orbo-cli page end to end: page calls, buttons and dialog answers on
// stdin; results, scripts, navigations and prompts on stdout.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "base/base64.h"
#include "support/child_process.h"
#include "support/temp_dir.h"

namespace orbo {
namespace {

using Lines = std::vector<std::string>;

struct HostRun {
  int exit_code = -1;
  Lines out;
  std::string err;
};

Lines SplitLines(const std::string& text) {
  Lines lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

class PageHostTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_.Write("app/SoftLang.ini", "[HMI]\noem=0\nfirst=1\nlang=en\n");
    dir_.Write("app/html/i18n/strings_en.properties",
               Base64Encode("alert_title=Notice\n"
                            "save_config_failed=Can't save \"setup.xml\" \\ retry\n"));
  }

  std::string AppDir() const { return (dir_.path() / "app").string(); }
  std::string FirstPage() const { return AppDir() + "/html/first_page.html"; }

  // Runs orbo-cli page with input on stdin; waits for it to end.
  HostRun Page(const std::string& input, Lines extra_args = {}) {
    Lines args = {ORBO_APP_DIR "/orbo-cli", "page", "--no-port", "--app-dir", AppDir()};
    args.insert(args.end(), extra_args.begin(), extra_args.end());
    const test::ProcessResult result = test::RunProcess(args, 60000, input);
    return HostRun{result.exitCode, SplitLines(result.out), result.err};
  }

  test::TempDir dir_;
};

TEST_F(PageHostTest, PageCallsPrintTheirResults) {
  HostRun run = Page(
      "[\"1\",\"\"]\n"
      "[\"11\",\"LocalNetwork\"]\n"
      "[\"12\",\"192.168.1.20\"]\n"
      "[\"23\"]\n"              // answered by the page's process
      "[\"24\",\"{}\"]\n"       // likewise; no "url": 0, nothing started
      "[\"5\"]\n"               // one entry: the UI process ignores it
      "[\"5\",null]\n"          // null is not carried either
      "[\"11\",\"x\",\"y\"]\n"  // three entries: ignored, as the window does
      "[\"7\",\"{}\"]\n"        // pass-through not available: still 0
      "[\"21\",\"\"]\n");
  EXPECT_EQ(run.exit_code, 0) << run.err;
  EXPECT_EQ(run.out,
            (Lines{"{\"navigate\":\"\"}", "{\"result\":0}", "{\"result\":0}", "{\"result\":0}",
                   "{\"result\":0}", "{\"result\":0}", "{\"result\":null}", "{\"result\":null}",
                   "{\"result\":null}", "{\"result\":0}", "{\"result\":0}"}));
  EXPECT_NE(test::ReadAll(dir_.path() / "app/SoftLang.ini").find("first=0"), std::string::npos);
}

TEST_F(PageHostTest, BadCommandTextRunsCommandZeroAndItsFailureIsShown) {
  // No setup file builder yet: command 0 fails with the message box. A
  // number, a word and an empty v1 all read as command 0.
  HostRun run = Page("[5,\"a\"]\n[\"abc\",\"a\"]\n[\"\",\"a\"]\n", {"--answer", "yes"});
  EXPECT_EQ(run.exit_code, 0) << run.err;
  const std::string prompt =
      "{\"prompt\":\"message\",\"text\":\"Can't save \\\"setup.xml\\\" \\\\ retry\","
      "\"answer\":\"ok\"}";
  EXPECT_EQ(run.out, (Lines{"{\"navigate\":\"\"}", prompt, "{\"result\":2}", prompt,
                            "{\"result\":2}", prompt, "{\"result\":2}"}));
}

TEST_F(PageHostTest, NavigationButtons) {
  HostRun run = Page(
      "{\"button\":\"monitor\"}\n"
      "{\"button\":\"setup\"}\n"
      "{\"button\":\"setup\"}\n"
      "{\"button\":\"monitor\"}\n");
  EXPECT_EQ(run.exit_code, 0) << run.err;
  const std::string setup = "{\"navigate\":\"" + FirstPage() + "\"}";
  EXPECT_EQ(run.out, (Lines{"{\"navigate\":\"\"}", "{\"navigate\":\"\"}", setup, setup,
                            "{\"script\":\"SaveSetting();\"}", "{\"navigate\":\"\"}"}));
}

TEST_F(PageHostTest, FileDialogsTakeTheirAnswersInOrder) {
  const std::string project = dir_.Write("work/site.kzrp", "x").string();
  const std::string save_to = (dir_.path() / "work" / "backup").string();
  HostRun run = Page(
      "[\"14\",\"\"]\n"    // open: the existing project
      "[\"14\",\"\"]\n"    // open: a file that does not exist
      "[\"15\",\"pw\"]\n"  // save: ".kzrp" appended by the command
      "[\"15\",\"pw\"]\n"  // save: an empty entry cancels
      "[\"14\",\"\"]\n",   // queue used up: cancel
      {"--file", project, "--file", save_to + "-missing.kzrp", "--file", save_to, "--file", ""});
  EXPECT_EQ(run.exit_code, 0) << run.err;
  const std::string filter = "Cloud Project(*.kzrp)|*.kzrp";
  EXPECT_EQ(
      run.out,
      (Lines{"{\"navigate\":\"\"}",
             "{\"prompt\":\"open\",\"text\":\"" + filter + "\",\"answer\":\"" + project + "\"}",
             "{\"result\":0}",
             "{\"prompt\":\"open\",\"text\":\"" + filter + "\",\"answer\":\"cancel\"}",
             "{\"result\":1}",
             "{\"prompt\":\"save\",\"text\":\"" + filter + "\",\"answer\":\"" + save_to + "\"}",
             "{\"result\":0}",
             "{\"prompt\":\"save\",\"text\":\"" + filter + "\",\"answer\":\"cancel\"}",
             "{\"result\":1}",
             "{\"prompt\":\"open\",\"text\":\"" + filter + "\",\"answer\":\"cancel\"}",
             "{\"result\":1}"}));
  EXPECT_NE(run.err.find("does not exist"), std::string::npos);
}

TEST_F(PageHostTest, MalformedLinesAreReportedAndSkipped) {
  HostRun run = Page(
      "not json\n"
      "[\"1\",\"\"\n"
      "{\"button\":\"about\"}\n"
      "{\"jump\":1}\n"
      "\n"
      "[\"1\",\"\"] trailing\n"
      "{\"sleep\":1}\n"
      "[\"4\",\"\"]\n");
  EXPECT_EQ(run.exit_code, 0) << run.err;
  EXPECT_EQ(run.out, (Lines{"{\"navigate\":\"\"}", "{\"result\":0}"}));
  for (const char* line : {"line 1 ", "line 2 ", "line 3 ", "line 4 ", "line 6 "})
    EXPECT_NE(run.err.find(line), std::string::npos) << line << "\n" << run.err;
  EXPECT_EQ(run.err.find("line 5 "), std::string::npos);
}

// Bad usage: exit status 2, nothing run.
TEST_F(PageHostTest, BadArgumentsAreRefused) {
  HostRun run = Page("", {"--answer", "maybe"});
  EXPECT_EQ(run.exit_code, 2);
  EXPECT_NE(run.err.find("--answer"), std::string::npos);
  EXPECT_TRUE(run.out.empty());
  run = Page("", {"extra"});
  EXPECT_EQ(run.exit_code, 2);
  run = Page("", {"--usb-sim"});
  EXPECT_EQ(run.exit_code, 2);
  EXPECT_NE(run.err.find("--usb-sim"), std::string::npos);
}

TEST_F(PageHostTest, MonitorAddressComesFromTheDefaultSettingsPage) {
  struct Case {
    std::string url2;
    std::string shown;
  } cases[] = {
      {"monitor.html", AppDir() + "/html/monitor.html"},
      {"https://cloud.example.invalid/view?id=1", "https://cloud.example.invalid/view?id=1"},
      {"/srv/pages/monitor.html", "/srv/pages/monitor.html"},
      {"", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.url2);
    dir_.Write("app/html/Default.xml",
               "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<QXBoxSet><BaseSet URL2=\"" + c.url2 +
                   "\"/></QXBoxSet>\n");
    HostRun run = Page("");
    EXPECT_EQ(run.exit_code, 0) << run.err;
    EXPECT_EQ(run.out, (Lines{"{\"navigate\":\"" + c.shown + "\"}"}));
  }
}

TEST_F(PageHostTest, EndsAfterTheWorkerWhileOnTheSetupPage) {
  // The worker is running cycles (its start delay passed); end of input
  // stops it and the host exits cleanly.
  HostRun run = Page("{\"button\":\"setup\"}\n{\"sleep\":3400}\n[\"18\",\"\"]\n");
  EXPECT_EQ(run.exit_code, 0) << run.err;
  EXPECT_EQ(run.out, (Lines{"{\"navigate\":\"\"}", "{\"navigate\":\"" + FirstPage() + "\"}",
                            "{\"result\":0}"}));
}

}  // namespace
}  // namespace orbo
