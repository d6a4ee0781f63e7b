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

TEST(ConfigDialogGui, ConfigButtonOpensTheDialogThatMovesThePort) {
  ORBO_SKIP_WITHOUT_XVFB();
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
  ASSERT_TRUE(orbo.StartTool({"--app-dir", app.path().string(), "--page-log", "--control",
                              "--auto-answer", "--exit-after", "240000"},
                             tmp.path()));
  // The start-up made the port.
  ORBO_ASSERT_UP(orbo, orbo.WaitForLine("{\"status\":\"Ready\"}", test::kPatience) != "");
  ASSERT_TRUE(std::filesystem::is_symlink(tmp / "orbo/ports/COM7")) << orbo.Diagnostics();

  ASSERT_TRUE(orbo.Send("{\"button\":\"config\"}"));
  ASSERT_TRUE(orbo.Logged("{\"dialog\":\"opened\",\"com\":\"COM7 (in use)\"}"));
  // An entry the list does not hold is refused and changes nothing.
  ASSERT_TRUE(orbo.Send("{\"dialog\":\"com\",\"select\":\"COM999\"}"));
  ASSERT_TRUE(orbo.Logged("{\"dialog\":\"refused\",\"com\":\"COM7 (in use)\"}"));

  ASSERT_TRUE(orbo.Send("{\"dialog\":\"com\",\"select\":\"COM29\"}"));
  ASSERT_TRUE(orbo.Logged("{\"dialog\":\"com\",\"com\":\"COM29 (in use)\"}"));
  EXPECT_TRUE(std::filesystem::is_symlink(tmp / "orbo/ports/COM29"));
  EXPECT_FALSE(std::filesystem::exists(tmp / "orbo/ports/COM7"));
  ASSERT_TRUE(orbo.Screenshot(shot));

  // The end of the control input closes the window with the dialog still
  // open: the dialog goes first, and the tool ends cleanly.
  orbo.CloseInput();
  ASSERT_TRUE(orbo.Logged("{\"dialog\":\"closed\",\"com\":\"\"}"));
  EXPECT_EQ(orbo.Wait(test::kPatience), 0) << orbo.Diagnostics();
  EXPECT_NE(app.Read("SoftLang.ini").find("VirCom=COM29"), std::string::npos)
      << app.Read("SoftLang.ini");
}

}  // namespace
}  // namespace orbo
