// orbo-cli settings, text and strings, run as the built program.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>

#include <string>
#include <vector>

#include "base/base64.h"
#include "support/temp_dir.h"

extern char** environ;

namespace orbo {
namespace {

const std::filesystem::path kAppDir = ORBO_APP_DIR;

struct RunResult {
  int exit_code = -1;
  std::string out;
  std::string err;
};

// Runs orbo-cli with args, its output captured in files of dir.
RunResult RunCli(const test::TempDir& dir, std::vector<std::string> args) {
  const std::string cli = (kAppDir / "orbo-cli").string();
  const std::string out_path = (dir / "cli.out").string(), err_path = (dir / "cli.err").string();
  args.insert(args.begin(), cli);
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                   0600);
  posix_spawn_file_actions_addopen(&actions, 2, err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                   0600);
  RunResult result;
  pid_t pid = 0;
  const int rc = posix_spawn(&pid, cli.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) return result;
  int status = 0;
  if (waitpid(pid, &status, 0) == pid && WIFEXITED(status)) result.exit_code = WEXITSTATUS(status);
  result.out = test::ReadAll(out_path);
  result.err = test::ReadAll(err_path);
  return result;
}

TEST(CliSettings, PrintsTheValuesThePagesReceive) {
  test::TempDir dir;
  dir.Write("app/SoftLang.ini",
            "[HMI]\nlang=zh\nrep=gateway\nname=Acme\ncomp=Acme Ltd\nfirst=1\ncurserver=Europe\n");
  RunResult r = RunCli(dir, {"--app-dir", (dir / "app").string(), "settings"});
  EXPECT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(r.out,
            "oem=1\nfirst=1\nlog=99\nmode=0\ntp=0\nserver=0\nbro=Chrome\nlang=zh\nrep=gateway\n"
            "VirCom=COM2\nname=Acme\nlangID=1033\ncomp=Acme Ltd\ncurserver=Europe\n");
  EXPECT_NE(RunCli(dir, {"settings", "extra"}).exit_code, 0);
}

TEST(CliText, PrintsTheLocalisedTextWithTheBoxWord) {
  test::TempDir dir;
  dir.Write("app/SoftLang.ini", "[HMI]\nlang=zh\nrep=\xE7\x9B\x92\xE5\xAD\x90\n");
  std::filesystem::create_directories(dir / "app/html/i18n");
  std::filesystem::copy_file(kAppDir / "html/i18n/strings_zh.properties",
                             dir / "app/html/i18n/strings_zh.properties");
  const std::string app = (dir / "app").string();
  RunResult r = RunCli(dir, {"--app-dir", app, "text", "stopping_orbo"});
  EXPECT_EQ(r.exit_code, 0) << r.err;
  EXPECT_NE(r.out.find("\xE7\x9B\x92\xE5\xAD\x90"), std::string::npos) << r.out;
  EXPECT_EQ(r.out.find("replaceBox"), std::string::npos);

  r = RunCli(dir, {"--app-dir", app, "text", "no_such_key"});
  EXPECT_NE(r.exit_code, 0);
  EXPECT_EQ(r.out, "");
  EXPECT_NE(r.err.find("no_such_key"), std::string::npos);
  EXPECT_NE(RunCli(dir, {"--app-dir", app, "text"}).exit_code, 0);
}

TEST(CliStrings, EncodeMatchesTheBuildAndDecodeRoundTrips) {
  test::TempDir dir;
  const std::string source = std::string(ORBO_SOURCE_DIR) + "/resources/i18n/strings_en.properties";
  const std::string encoded = (dir / "en.b64").string(), decoded = (dir / "en.txt").string();
  ASSERT_EQ(RunCli(dir, {"strings", "encode", source, encoded}).exit_code, 0);
  EXPECT_EQ(test::ReadAll(encoded), test::ReadAll(kAppDir / "html/i18n/strings_en.properties"));
  ASSERT_EQ(RunCli(dir, {"strings", "decode", encoded, decoded}).exit_code, 0);
  EXPECT_EQ(test::ReadAll(decoded), test::ReadAll(source));

  // A byte-order mark would join the first key; encode drops it.
  dir.Write("bom.txt",
            "\xEF\xBB\xBF"
            "a=1\n");
  ASSERT_EQ(RunCli(dir, {"strings", "encode", (dir / "bom.txt").string(), encoded}).exit_code, 0);
  EXPECT_EQ(test::ReadAll(encoded), Base64Encode("a=1\n"));
  // A final line break after the Base64 text is accepted by decode.
  dir.Write("nl.b64", Base64Encode("a=1\n") + "\n");
  ASSERT_EQ(RunCli(dir, {"strings", "decode", (dir / "nl.b64").string(), decoded}).exit_code, 0);
  EXPECT_EQ(test::ReadAll(decoded), "a=1\n");
}

TEST(CliStrings, BadInputFailsClearlyAndWritesNothing) {
  test::TempDir dir;
  const std::string out = (dir / "out").string();
  const auto plain = dir.Write("plain.properties", "alert_title=Notice\n");
  const auto split = dir.Write("split.b64", Base64Encode("a=1\nb=2\n").insert(4, "\n"));
  const auto latin1 = dir.Write("latin1.b64", Base64Encode("a=caf\xE9\n"));

  for (const auto& input : {plain, split, latin1}) {
    RunResult r = RunCli(dir, {"strings", "decode", input.string(), out});
    EXPECT_NE(r.exit_code, 0) << input;
    EXPECT_NE(r.err.find("not a string table"), std::string::npos) << r.err;
  }
  EXPECT_FALSE(std::filesystem::exists(out));

  RunResult missing = RunCli(dir, {"strings", "encode", (dir / "none").string(), out});
  EXPECT_NE(missing.exit_code, 0);
  EXPECT_NE(missing.err.find("cannot read"), std::string::npos);
  RunResult unwritable =
      RunCli(dir, {"strings", "encode", plain.string(), (dir / "no/such/dir/out").string()});
  EXPECT_NE(unwritable.exit_code, 0);
  EXPECT_NE(unwritable.err.find("cannot write"), std::string::npos);
  EXPECT_NE(RunCli(dir, {"strings", "encode", plain.string()}).exit_code, 0);
  EXPECT_NE(RunCli(dir, {"strings", "squash", plain.string(), out}).exit_code, 0);
  EXPECT_FALSE(std::filesystem::exists(out));
}

}  // namespace
}  // namespace orbo
