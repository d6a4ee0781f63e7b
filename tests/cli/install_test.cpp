// The installed tool: cmake --install into a DESTDIR, then the installed
// orbo-cli with a fresh HOME seeds its per-user folder and writes nothing
// under the install prefix.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>

#include "support/child_process.h"
#include "support/temp_dir.h"

namespace orbo {
namespace {

namespace fs = std::filesystem;

// Runs argv to its end with XDG_DATA_HOME unset and set_env added; its exit
// code, standard output and standard error.
test::ProcessResult RunWithEnv(const std::vector<std::string>& argv,
                               std::vector<std::string> set_env) {
  test::TempDir scratch;
  test::ChildOptions options;
  options.setEnv = std::move(set_env);
  options.unsetEnv = {"XDG_DATA_HOME"};
  options.errFile = scratch / "err";
  test::ProcessResult result;
  {
    test::ChildProcess child(argv, options);
    result.exitCode = child.Wait(120000);
    for (const auto& line : child.Lines()) result.out += line + "\n";
  }
  result.err = test::ReadAll(scratch / "err");
  return result;
}

// Every file under dir with its size and change time: what must not move.
std::map<std::string, std::string> Snapshot(const fs::path& dir) {
  std::map<std::string, std::string> files;
  for (const auto& entry : fs::recursive_directory_iterator(dir)) {
    std::error_code ec;
    const auto time = fs::last_write_time(entry.path(), ec).time_since_epoch().count();
    const auto size = entry.is_regular_file() ? entry.file_size() : 0;
    files[entry.path().string()] = std::to_string(size) + "@" + std::to_string(time);
  }
  return files;
}

TEST(Install, InstalledToolSeedsThePerUserFolderAndLeavesThePrefixAlone) {
  test::TempDir dir;
  const fs::path stage = dir / "stage";
  const test::ProcessResult install = RunWithEnv(
      {"cmake", "--install", ORBO_BINARY_DIR, "--prefix", "/usr"}, {"DESTDIR=" + stage.string()});
  ASSERT_EQ(install.exitCode, 0) << install.out << install.err;
  const fs::path prefix = stage / "usr";
  for (const char* shipped : {"lib/orbo/orbo-cli", "lib/orbo/orbo-portd", "bin/orbo-cli",
                              "share/orbo/SoftLang.ini", "share/orbo/html/Default.xml",
                              "share/orbo/BOXType.hmi", "lib/udev/rules.d/70-orbo-box.rules"}) {
    EXPECT_TRUE(fs::exists(prefix / shipped)) << shipped;
  }
  EXPECT_TRUE(fs::is_symlink(prefix / "bin/orbo-cli"));
  const auto before = Snapshot(stage);

  // First start: the user's folder appears, seeded from share/orbo.
  const fs::path home = dir / "home";
  fs::create_directories(home);
  const std::string cli = (prefix / "bin/orbo-cli").string();
  test::ProcessResult r = RunWithEnv({cli, "settings"}, {"HOME=" + home.string()});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_NE(r.out.find("oem=0"), std::string::npos) << r.out;
  const fs::path user = home / ".local/share/orbo";
  for (const char* seeded : {"SoftLang.ini", "WifiList.xml", "html/Default.xml", "Up.ibl"}) {
    EXPECT_TRUE(fs::is_regular_file(user / seeded)) << seeded;
  }
  // The user's own changes survive later starts.
  test::WriteAll(user / "SoftLang.ini", "[HMI]\noem=0\nname=Mine\n");
  r = RunWithEnv({cli, "settings"}, {"HOME=" + home.string()});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_NE(r.out.find("name=Mine"), std::string::npos) << r.out;
  EXPECT_EQ(Snapshot(stage), before);

  // A folder that cannot be made: a clear error, and the file in its way is kept.
  const fs::path blocked = dir / "blocked";
  dir.Write("blocked/orbo", "keep me");
  r = RunWithEnv({cli, "settings"}, {"XDG_DATA_HOME=" + blocked.string(), "HOME=" + home.string()});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.err.find((blocked / "orbo").string()), std::string::npos) << r.err;
  EXPECT_EQ(test::ReadAll(blocked / "orbo"), "keep me");
}

}  // namespace
}  // namespace orbo
