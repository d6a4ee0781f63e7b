// The settings dialog in the real window, with the port service running in
// the test's own runtime folder: the dialog opens from the config button
// and moves the virtual port to another COM name.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "base/base64.h"
#include "orbo_process.h"
#include "support/temp_dir.h"

namespace orbo {
namespace {

using std::chrono::seconds;
constexpr seconds kPatience(60);
constexpr int kNoDisplay = 3;  // orbo's exit status when no display opens

TEST(ConfigDialogGui, ConfigButtonOpensTheDialogThatMovesThePort) {
  if (test::OrboProcess::FindXvfbRun().empty()) {
    GTEST_SKIP() << "xvfb-run is not installed: no virtual X server for the window";
  }
  test::TempDir app;
  test::TempDir tmp;
  app.Write("html/first_page.html", "<html><body>setup</body></html>");
  app.Write("SoftLang.ini", "[HMI]\noem=0\nfirst=1\nlang=en\nVirCom=COM7\n");
  // The shipped English texts, so the screenshot shows the dialog as users see it.
  app.Write("html/i18n/strings_en.properties",
            Base64Encode(test::ReadAll(std::string(ORBO_SOURCE_DIR) +
                                       "/resources/i18n/strings_en.properties")));
  std::filesystem::create_symlink(std::string(ORBO_APP_DIR) + "/orbo-portd", app / "orbo-portd");
  const auto artifacts = std::filesystem::path(ORBO_BINARY_DIR) / "tests" / "artifacts";
  std::filesystem::create_directories(artifacts);
  const std::string shot = (artifacts / "config_dialog.png").string();

  test::OrboProcess orbo;
  std::string error;
  ASSERT_TRUE(orbo.Start(std::string(ORBO_APP_DIR) + "/orbo",
                         {"--app-dir", app.path().string(), "--page-log", "--control",
                          "--auto-answer", "--exit-after", "240000"},
                         tmp.path(), tmp / "stderr.txt", &error))
      << error;
  auto diagnostics = [&] {
    std::string text = "\npage log:\n";
    for (const auto& line : orbo.Lines()) text += "  " + line + "\n";
    return text + "stderr:\n" + tmp.Read("stderr.txt");
  };
  // The start-up made the port.
  if (orbo.WaitForLine("{\"status\":\"Ready\"}", kPatience).empty()) {
    const int status = orbo.Wait(kPatience);
    if (status == kNoDisplay) GTEST_SKIP() << "no X display could be opened";
    FAIL() << "the port was not made" << diagnostics();
  }
  ASSERT_TRUE(std::filesystem::is_symlink(tmp / "orbo/ports/COM7")) << diagnostics();

  ASSERT_TRUE(orbo.Send("{\"button\":\"config\"}"));
  ASSERT_EQ(orbo.WaitForLine("{\"dialog\":\"opened\",\"com\":\"COM7 (in use)\"}", kPatience),
            "{\"dialog\":\"opened\",\"com\":\"COM7 (in use)\"}")
      << diagnostics();
  // An entry the list does not hold is refused and changes nothing.
  ASSERT_TRUE(orbo.Send("{\"dialog\":\"com\",\"select\":\"COM999\"}"));
  ASSERT_FALSE(
      orbo.WaitForLine("{\"dialog\":\"refused\",\"com\":\"COM7 (in use)\"}", kPatience).empty())
      << diagnostics();

  ASSERT_TRUE(orbo.Send("{\"dialog\":\"com\",\"select\":\"COM29\"}"));
  ASSERT_FALSE(
      orbo.WaitForLine("{\"dialog\":\"com\",\"com\":\"COM29 (in use)\"}", kPatience).empty())
      << diagnostics();
  EXPECT_TRUE(std::filesystem::is_symlink(tmp / "orbo/ports/COM29"));
  EXPECT_FALSE(std::filesystem::exists(tmp / "orbo/ports/COM7"));
  ASSERT_TRUE(orbo.Send("{\"screenshot\":\"" + shot + "\"}"));
  ASSERT_FALSE(orbo.WaitForLine("{\"screenshot\":\"" + shot + "\"}", kPatience).empty())
      << diagnostics();

  // The end of the control input closes the window with the dialog still
  // open: the dialog goes first, and the tool ends cleanly.
  orbo.CloseInput();
  ASSERT_FALSE(orbo.WaitForLine("{\"dialog\":\"closed\",\"com\":\"\"}", kPatience).empty())
      << diagnostics();
  EXPECT_EQ(orbo.Wait(kPatience), 0) << diagnostics();
  EXPECT_NE(app.Read("SoftLang.ini").find("VirCom=COM29"), std::string::npos)
      << app.Read("SoftLang.ini");
}

}  // namespace
}  // namespace orbo
