// The page command kHmiDownload: the download tool's command line from the page's JSON,
// and the real start of stand-in programs (native, and an "MZ" file through
// a stand-in wine).
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <future>

#include "hmi/editor_service.h"
#include "hmi/hmi_download.h"
#include "platform/host_address.h"
#include "support/temp_dir.h"

namespace fs = std::filesystem;

namespace orbo {
namespace {

TEST(HmiDownload, BuildsOneArgumentFromThePageText) {
  std::vector<std::string> asked;
  HostResolver resolve = [&](const std::string& host) -> std::optional<std::string> {
    asked.push_back(host);
    if (host == "box.example") return "10.1.2.3";
    if (host == "v6box") return "fe80::1:2";
    if (host == "nohost") return std::nullopt;
    return host;  // numeric addresses stand for themselves
  };
  struct Case {
    std::string json;
    std::optional<std::string> argument;
  } cases[] = {
      {R"({"url":"192.168.1.20:8000"})", "LoadMode2 192 168 1 20 0 8000"},
      {R"({"URL":"box.example:80","other":1})", "LoadMode2 10 1 2 3 0 80"},
      {R"({"url":"v6box:502"})", "LoadMode2 fe80::1:2 0 502"},
      {R"({"url":"10.0.0.1:"})", "LoadMode2 10 0 0 1 0 0"},
      {R"({"url":"10.0.0.1:8000; reboot"})", "LoadMode2 10 0 0 1 0 8000"},
      {R"({"url":"10.0.0.1"})", std::nullopt},
      {R"({"url":5})", std::nullopt},
      {R"({"url":"nohost:80"})", std::nullopt},
      {R"({"url":"a;reboot:80"})", std::nullopt},
      {R"({"url":"$(touch x):80"})", std::nullopt},
      {R"({"url":"\"q\" x:80"})", std::nullopt},
      {"not json", std::nullopt},
  };
  for (const Case& c : cases) {
    auto argv = BuildHmiDownloadCommand(c.json, "/no/such/editor/", resolve);
    if (!c.argument) {
      EXPECT_FALSE(argv) << c.json;
      continue;
    }
    ASSERT_TRUE(argv) << c.json;
    EXPECT_EQ(*argv, (std::vector<std::string>{"/no/such/editor/Download.exe", *c.argument}));
  }
  // Texts that are no host names never reach the resolver.
  EXPECT_EQ(asked, (std::vector<std::string>{"192.168.1.20", "box.example", "v6box", "10.0.0.1",
                                             "10.0.0.1", "nohost"}));
}

class HmiDownloadLaunch : public ::testing::Test {
 protected:
  void SetUp() override {
    old_path_ = std::getenv("PATH") ? std::getenv("PATH") : "";
    setenv("PATH", ((dir_ / "bin").string() + ":" + old_path_).c_str(), 1);
  }
  void TearDown() override { setenv("PATH", old_path_.c_str(), 1); }

  // A program that writes its arguments, each followed by "|", to out.
  void StandIn(const std::string& rel, const std::string& out) {
    auto p = dir_.Write(rel, "#!/bin/sh\nprintf '%s|' \"$@\" > '" + (dir_ / out).string() + "'\n");
    fs::permissions(p, fs::perms::owner_all);
  }

  // Launches as kHmiDownload does and waits until the started program ended
  // (and was reaped). Returns the command's result.
  int Launch(const std::string& folder, const std::string& json) {
    std::promise<int> ended;
    auto done = ended.get_future();
    ProgramStarter start = [&](const std::vector<std::string>& argv) {
      return StartProgram(argv, [&](int status) { ended.set_value(status); }) > 0;
    };
    int result = LaunchHmiDownload(json, folder, ResolveHostAddress, start);
    if (result == 1) {
      EXPECT_EQ(done.wait_for(std::chrono::seconds(30)), std::future_status::ready);
      EXPECT_EQ(done.get(), 0);
    }
    return result;
  }

  test::TempDir dir_;
  std::string old_path_;
};

TEST_F(HmiDownloadLaunch, StartsANativeToolAndAWindowsOneThroughWine) {
  StandIn("native/Download.exe", "native.txt");
  const std::string native = (dir_ / "native").string() + "/";
  EXPECT_EQ(Launch(native, R"({"url":"127.0.0.1:8000"})"), 1);
  EXPECT_EQ(dir_.Read("native.txt"), "LoadMode2 127 0 0 1 0 8000|");

  StandIn("bin/wine", "wine.txt");
  dir_.Write("win/Download.exe", std::string("MZ\x90\0\x03", 5));
  const std::string win = (dir_ / "win").string() + "/";
  EXPECT_EQ(Launch(win, R"({"url":"127.0.0.2:502"})"), 1);
  EXPECT_EQ(dir_.Read("wine.txt"), win + "Download.exe|LoadMode2 127 0 0 2 0 502|");

  // Nothing to start, or a bad text: 0 and nothing runs.
  EXPECT_EQ(Launch((dir_ / "empty").string() + "/", R"({"url":"127.0.0.1:1"})"), 0);
  EXPECT_EQ(Launch(native, R"({"url":"127.0.0.1;touch x:1"})"), 0);
}

// Debian's wine64 package puts no "wine" in PATH: wine64 from PATH, else the
// loader's fixed place; with neither, command 24 answers 0 and says why.
TEST(HmiDownloadWine, UsesWine64WithoutWineAndRefusesWithoutAny) {
  test::TempDir dir;
  auto program = [&](const std::string& rel) {
    auto p = dir.Write(rel, "#!/bin/sh\n");
    fs::permissions(p, fs::perms::owner_all);
    return p.string();
  };
  const std::string wine64 = program("bin/wine64");
  const std::string loader = program("lib/wine/wine64");
  const std::string none = (dir / "no/wine64").string();
  dir.Write("win/Download.exe", "MZ\x90");
  const std::string win = (dir / "win").string() + "/";
  const std::string oldPath = std::getenv("PATH") ? std::getenv("PATH") : "";
  setenv("PATH", (dir / "bin").c_str(), 1);
  auto resolve = [](const std::string& h) { return std::optional<std::string>(h); };
  const std::string json = R"({"url":"10.0.0.9:7"})";

  EXPECT_EQ(FindWineProgram(loader), wine64);
  auto argv = BuildHmiDownloadCommand(json, win, resolve, loader);
  EXPECT_EQ(argv, (std::vector<std::string>{wine64, win + "Download.exe", "LoadMode2 10 0 0 9 0 7"}));
  fs::remove(wine64);
  EXPECT_EQ(FindWineProgram(loader), loader);

  std::vector<std::vector<std::string>> started;
  auto start = [&](const std::vector<std::string>& a) {
    started.push_back(a);
    return true;
  };
  testing::internal::CaptureStderr();
  const int result = LaunchHmiDownload(json, win, resolve, start, none);
  const std::string err = testing::internal::GetCapturedStderr();
  setenv("PATH", oldPath.c_str(), 1);
  EXPECT_EQ(result, 0);
  EXPECT_TRUE(started.empty());
  EXPECT_NE(err.find("Wine is needed"), std::string::npos) << err;
}

TEST(EditorService, AnswersFromItsOwnCopyOfTheSettings) {
  test::TempDir dir;
  dir.Write("ed/simulation/ieg/HMIUI.exe", "");
  dir.Write("ed/Download.exe", "");
  const std::string folder = (dir / "ed").string() + "/";
  std::vector<std::vector<std::string>> started;
  auto resolve = [](const std::string& h) { return std::optional<std::string>(h); };
  auto start = [&](const std::vector<std::string>& argv) {
    started.push_back(argv);
    return true;
  };
  EditorService before(dir.path(), resolve, start);
  EXPECT_EQ(before.IsEditorUsable(""), 0);
  ASSERT_TRUE(SaveEditorSettings(dir.path(), EditorSettings{folder, "V1"}));
  EXPECT_EQ(before.IsEditorUsable(""), 0);  // read once, when it was made
  EXPECT_EQ(before.IsEditorUsable(folder), 1);
  EditorService after(dir.path(), resolve, start);
  EXPECT_EQ(after.IsEditorUsable(""), 1);
  EXPECT_EQ(after.LaunchHmiDownload(R"({"url":"10.0.0.9:7"})"), 1);
  ASSERT_EQ(started.size(), 1u);
  EXPECT_EQ(started[0],
            (std::vector<std::string>{folder + "Download.exe", "LoadMode2 10 0 0 9 0 7"}));
}

}  // namespace
}  // namespace orbo
