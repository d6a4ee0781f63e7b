// Pieces of the window that need no display: options, the page log's JSON,
// file dialog results and the prepared answers.
#include <gtest/gtest.h>

#include <cstdio>

#include "app/window/load_error_page.h"
#include "app/window/page_log.h"
#include "app/window/window_keys.h"
#include "app/window/window_options.h"
#include "platform/gtk/file_dialog_rules.h"
#include "platform/gtk/prompt_answers.h"
#include "support/temp_dir.h"

namespace orbo {
namespace {

TEST(WindowOptionsTest, ParsesEveryOption) {
  std::string error;
  std::optional<WindowOptions> options = ParseWindowOptions(
      {"--app-dir", "/a", "--page-log", "--control", "--start", "setup", "--answer", "ok",
       "--answer", "no", "--file", "/f.kzrp", "--screenshot", "/s.png", "--exit-after", "500"},
      &error);
  ASSERT_TRUE(options) << error;
  EXPECT_EQ(options->appDir, "/a");
  EXPECT_TRUE(options->pageLog);
  EXPECT_TRUE(options->control);
  EXPECT_EQ(options->start, "setup");
  EXPECT_EQ(options->answers, (std::vector<std::string>{"ok", "no"}));
  EXPECT_EQ(options->files, std::vector<std::string>{"/f.kzrp"});
  EXPECT_TRUE(options->autoAnswer);  // implied by prepared answers
  EXPECT_EQ(options->screenshot, "/s.png");
  EXPECT_EQ(options->exitAfterMs, 500);

  options = ParseWindowOptions({}, &error);
  ASSERT_TRUE(options);
  EXPECT_FALSE(options->autoAnswer);
  EXPECT_EQ(options->exitAfterMs, -1);
}

TEST(WindowOptionsTest, BadOptionsAreRefusedWithAReason) {
  for (const std::vector<std::string>& args :
       std::vector<std::vector<std::string>>{{"--bogus"},
                                             {"--app-dir"},
                                             {"--start", "about"},
                                             {"--answer", "maybe"},
                                             {"--exit-after", "-1"},
                                             {"--exit-after", "5s"}}) {
    std::string error;
    EXPECT_FALSE(ParseWindowOptions(args, &error)) << args[0];
    EXPECT_FALSE(error.empty());
  }
}

TEST(LoadErrorPageTest, AddressAndErrorAreShownAsText) {
  EXPECT_EQ(HtmlEscape(R"(<a href="x">'&'</a>)"),
            "&lt;a href=&quot;x&quot;&gt;&#39;&amp;&#39;&lt;/a&gt;");
  EXPECT_EQ(
      LoadErrorPageHtml("http://127.0.0.1:1/?<script>", "Refused & <gone>", 7),
      "<html><body bgcolor=\"white\"><h2>Failed to load URL http://127.0.0.1:1/?&lt;script&gt; "
      "with error Refused &amp; &lt;gone&gt; (7).</h2></body></html>");
}

TEST(WindowKeysTest, OnlyEscapeAndF5AreActedOn) {
  EXPECT_EQ(KeyActionFor(0xff1b), KeyAction::kLeaveFullScreen);  // Escape
  EXPECT_EQ(KeyActionFor(0xffc2), KeyAction::kReload);           // F5
  EXPECT_EQ(KeyActionFor('t'), KeyAction::kNone);
  EXPECT_EQ(KeyActionFor(0xffc1), KeyAction::kNone);  // F4
}

TEST(PageLogTest, WritesOneEscapedJsonObjectPerLine) {
  test::TempDir dir;
  const std::filesystem::path path = dir / "log.txt";
  FILE* file = std::fopen(path.c_str(), "w");
  ASSERT_NE(file, nullptr);
  {
    PageLog log(file);
    log.Call("0", std::string("a\x02\"b\n"));
    log.Result(2);
    log.Script("AddText(\"x\");");
    log.Prompt({"message", "Saving failed", "ok"});
    log.Title("bad \xff byte");
  }
  std::fclose(file);
  EXPECT_EQ(test::ReadAll(path),
            "{\"call\":[\"0\",\"a\\u0002\\\"b\\n\"]}\n"
            "{\"result\":2}\n"
            "{\"script\":\"AddText(\\\"x\\\");\"}\n"
            "{\"prompt\":\"message\",\"text\":\"Saving failed\",\"answer\":\"ok\"}\n"
            "{\"title\":\"bad \xef\xbf\xbd byte\"}\n");
  PageLog silent(nullptr);
  EXPECT_FALSE(silent.enabled());
  silent.Result(1);  // no output, no crash
}

TEST(FileDialogRulesTest, DefaultExtensionIsAddedToBareNames) {
  test::TempDir dir;
  FileDialogOptions options{"Cloud Project(*.kzrp)", "*.kzrp", ".kzrp", true, true, ""};
  EXPECT_EQ(ResolveChosenFile(dir / "proj", options, true), dir / "proj.kzrp");
  EXPECT_EQ(ResolveChosenFile(dir / "proj.bin", options, true), dir / "proj.bin");
  EXPECT_EQ(ResolveChosenFile(dir / ".hidden", options, true), dir / ".hidden.kzrp");
  EXPECT_EQ(ResolveChosenFile("", options, true), std::nullopt);

  // Open: an existing bare name is taken as it is; a must-exist file that
  // is missing is refused.
  dir.Write("bare", "x");
  dir.Write("proj.kzrp", "x");
  EXPECT_EQ(ResolveChosenFile(dir / "bare", options, false), dir / "bare");
  EXPECT_EQ(ResolveChosenFile(dir / "proj", options, false), dir / "proj.kzrp");
  EXPECT_EQ(ResolveChosenFile(dir / "missing.kzrp", options, false), std::nullopt);
  options.must_exist = false;
  EXPECT_EQ(ResolveChosenFile(dir / "missing", options, false), dir / "missing.kzrp");
}

TEST(PromptAnswersTest, AnswersAreUsedOnceInOrderAndRunOutAsRefusal) {
  PromptAnswers answers({"yes", "ok", "no"}, {"/a.kzrp"});
  EXPECT_TRUE(answers.NextYesNo());
  EXPECT_EQ(answers.NextMessage(), "ok");  // uses "ok"
  EXPECT_FALSE(answers.NextYesNo());       // "no"
  EXPECT_FALSE(answers.NextYesNo());       // empty: No
  EXPECT_EQ(answers.NextMessage(), "ok");  // a message box can always be dismissed
  EXPECT_EQ(answers.NextFile(), std::filesystem::path("/a.kzrp"));
  EXPECT_EQ(answers.NextFile(), std::nullopt);
}

}  // namespace
}  // namespace orbo
