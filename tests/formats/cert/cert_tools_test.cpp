// orbo-certpack, orbo-cli cert inspect and orbo-cli brand, run as the built
// programs on the sample package.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <sys/wait.h>

#include "app/branding_step.h"
#include "support/child_process.h"
#include "support/temp_dir.h"

namespace orbo {
namespace {

namespace fs = std::filesystem;
const fs::path kAppDir = ORBO_APP_DIR;
const fs::path kSamples = fs::path(ORBO_SOURCE_DIR) / "resources/samples";

test::ProcessResult RunTool(const fs::path& program, std::vector<std::string> args) {
  args.insert(args.begin(), program.string());
  return test::RunProcess(args);
}

TEST(CertTools, PackInspectAndRefuse) {
  test::TempDir dir;
  const std::string out = (dir / "p.ce").string();
  const fs::path certpack = fs::path(ORBO_BINARY_DIR) / "tools/orbo-certpack";
  const std::string info = "company.info=" + (kSamples / "company.info").string();
  const std::string icon = "tool_desktop_logo.ico=" + (kSamples / "tool_desktop_logo.ico").string();
  ASSERT_EQ(RunTool(certpack, {"--domain", "a.example", "-o", out, icon, info}).exitCode, 0);
  auto r = RunTool(kAppDir / "orbo-cli", {"cert", "inspect", out});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out,
            "result 0\ndomain a.example\nentry tool_desktop_logo.ico size 281 crc 5830a6b9\n"
            "entry company.info size 161 crc a75002e5\n");

  for (const std::vector<std::string>& bad :
       {std::vector<std::string>{"--domain", "a.example", "-o", out},  // no entries
        {"--domain", "a.example", "-o", out, "name-without-file"},
        {"--domain", "a.example", "-o", out, "x=" + (dir / "missing").string()},
        {"--domain", std::string(255, 'd'), "-o", out, info},
        {"--domain", "a.example", "--key-mode", "2", "-o", out, info}}) {
    EXPECT_EQ(RunTool(certpack, bad).exitCode, 1) << bad.back();
  }
  // A refused call leaves the earlier package alone.
  EXPECT_EQ(RunTool(kAppDir / "orbo-cli", {"cert", "inspect", out}).exitCode, 0);

  std::string bytes = test::ReadAll(out);
  bytes[300] ^= 0x40;
  test::WriteAll(out, bytes);
  r = RunTool(kAppDir / "orbo-cli", {"cert", "inspect", out});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.out.substr(0, 10), "result -7\n");
}

TEST(CertTools, BrandAppliesTheSamplePackageOrEndsTheStart) {
  test::TempDir dir;
  dir.Write("app/SoftLang.ini", "[HMI]\noem=1\nname=ORBO\n");
  dir.Write("app/orbo", "program");
  dir.Write("app/html/Default.xml", "<QXBoxSet><BaseSet URL2=\"monitor.html\"/></QXBoxSet>");
  const fs::path app = dir / "app";
  // Launcher folders of the run live in the test's own home.
  test::ChildOptions options;
  options.setEnv = {"HOME=" + dir.path().string(), "XDG_CONFIG_HOME=" + (dir / "config").string(),
                    "XDG_DATA_HOME=" + (dir / "data").string()};
  auto brand = [&](std::vector<std::string> extra) {
    std::vector<std::string> args = {(kAppDir / "orbo-cli").string(), "--app-dir", app.string(),
                                     "brand"};
    args.insert(args.end(), extra.begin(), extra.end());
    test::ChildProcess cli(args, options);
    const int code = cli.Wait(60000);
    return std::make_pair(code, cli.Lines());
  };
  auto [cancelled, cancel_lines] = brand({});
  EXPECT_EQ(cancelled, 1);
  ASSERT_FALSE(cancel_lines.empty());
  EXPECT_EQ(cancel_lines.back(), R"({"branding":-1})");
  EXPECT_FALSE(fs::exists(app / "VirCert.ce"));

  const fs::path sample = fs::path(ORBO_BINARY_DIR) / "samples/VirCert.ce";
  auto [applied, lines] = brand({"--file", sample.string()});
  EXPECT_EQ(applied, 0);
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines.back(),
            R"({"branding":0,"restart":")" + (app / "Northwind Link").string() + "\"}");
  EXPECT_EQ(test::ReadAll(app / "Northwind Link"), "program");
  EXPECT_EQ(test::ReadAll(app / "VirCert.ce"), test::ReadAll(sample));
  EXPECT_NE(
      test::ReadAll(app / "html/Default.xml").find("URL2=\"http://127.0.0.1:8790/northwind\""),
      std::string::npos);
}

TEST(CertTools, PageHostEndsItsStartOnBranding) {
  test::TempDir dir;
  dir.Write("app/SoftLang.ini", "[HMI]\noem=1\n");
  dir.Write("app/orbo", "program");  // what the tool name renames, and the restart starts
  const fs::path app = dir / "app";
  test::ChildOptions options;
  options.setEnv = {"HOME=" + dir.path().string()};
  auto page = [&](std::vector<std::string> extra) {
    std::vector<std::string> args = {(kAppDir / "orbo-cli").string(), "page", "--app-dir",
                                     app.string()};
    args.insert(args.end(), extra.begin(), extra.end());
    test::ChildProcess host(args, options);  // its input is the test's: never read
    const int code = host.Wait(60000);
    return std::make_pair(code, host.Lines());
  };
  auto [ended, lines] = page({});
  EXPECT_EQ(ended, 1);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_NE(lines[0].find(R"("prompt":"open")"), std::string::npos);
  EXPECT_EQ(lines[1], R"({"branding":-1})");

  const fs::path sample = fs::path(ORBO_BINARY_DIR) / "samples/VirCert.ce";
  auto [restarted, restart_lines] = page({"--file", sample.string()});
  EXPECT_EQ(restarted, 0);
  ASSERT_FALSE(restart_lines.empty());
  EXPECT_EQ(restart_lines.back(),
            R"({"branding":0,"restart":")" + (app / "Northwind Link").string() + "\"}");
}

TEST(CertTools, TheRestartPassesItsArgumentsWithoutAShell) {
  test::TempDir dir;
  const fs::path program = dir.Write("Acme Link", "#!/bin/sh\nprintf '%s|' \"$@\" > \"$0.out\"\n");
  fs::permissions(program, fs::perms::owner_all);
  ASSERT_TRUE(RestartProgram(program, {"--app-dir", "a b", "$HOME;x"}));
  int status = 0;
  ASSERT_GT(wait(&status), 0);  // the only child of this test
  EXPECT_EQ(test::ReadAll(dir / "Acme Link.out"), "--app-dir|a b|$HOME;x|");
  EXPECT_FALSE(RestartProgram(dir / "missing", {}));
}

}  // namespace
}  // namespace orbo
