// orbo-cli settings, text and strings, run as the built program.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/base64.h"
#include "support/child_process.h"
#include "support/temp_dir.h"

namespace orbo {
namespace {

const std::filesystem::path kAppDir = ORBO_APP_DIR;

using test::ProcessResult;

// Runs orbo-cli with args to its end.
ProcessResult RunCli(std::vector<std::string> args) {
  args.insert(args.begin(), (kAppDir / "orbo-cli").string());
  return test::RunProcess(args);
}

TEST(CliSettings, PrintsTheValuesThePagesReceive) {
  test::TempDir dir;
  dir.Write("app/SoftLang.ini",
            "[HMI]\nlang=zh\nrep=gateway\nname=Acme\ncomp=Acme Ltd\nfirst=1\ncurserver=Europe\n");
  ProcessResult r = RunCli({"--app-dir", (dir / "app").string(), "settings"});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out,
            "oem=1\nfirst=1\nlog=99\nmode=0\ntp=0\nserver=0\nbro=Chrome\nlang=zh\nrep=gateway\n"
            "VirCom=COM2\nname=Acme\nlangID=1033\ncomp=Acme Ltd\ncurserver=Europe\n");
  EXPECT_NE(RunCli({"settings", "extra"}).exitCode, 0);
}

TEST(CliText, PrintsTheLocalisedTextWithTheBoxWord) {
  test::TempDir dir;
  dir.Write("app/SoftLang.ini", "[HMI]\nlang=zh\nrep=\xE7\x9B\x92\xE5\xAD\x90\n");
  std::filesystem::create_directories(dir / "app/html/i18n");
  std::filesystem::copy_file(kAppDir / "html/i18n/strings_zh.properties",
                             dir / "app/html/i18n/strings_zh.properties");
  const std::string app = (dir / "app").string();
  ProcessResult r = RunCli({"--app-dir", app, "text", "stopping_orbo"});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_NE(r.out.find("\xE7\x9B\x92\xE5\xAD\x90"), std::string::npos) << r.out;
  EXPECT_EQ(r.out.find("replaceBox"), std::string::npos);

  r = RunCli({"--app-dir", app, "text", "no_such_key"});
  EXPECT_NE(r.exitCode, 0);
  EXPECT_EQ(r.out, "");
  EXPECT_NE(r.err.find("no_such_key"), std::string::npos);
  EXPECT_NE(RunCli({"--app-dir", app, "text"}).exitCode, 0);
}

TEST(CliStrings, EncodeMatchesTheBuildAndDecodeRoundTrips) {
  test::TempDir dir;
  const std::string source = std::string(ORBO_SOURCE_DIR) + "/resources/i18n/strings_en.properties";
  const std::string encoded = (dir / "en.b64").string(), decoded = (dir / "en.txt").string();
  ASSERT_EQ(RunCli({"strings", "encode", source, encoded}).exitCode, 0);
  EXPECT_EQ(test::ReadAll(encoded), test::ReadAll(kAppDir / "html/i18n/strings_en.properties"));
  ASSERT_EQ(RunCli({"strings", "decode", encoded, decoded}).exitCode, 0);
  EXPECT_EQ(test::ReadAll(decoded), test::ReadAll(source));

  // A byte-order mark would join the first key; encode drops it.
  dir.Write("bom.txt",
            "\xEF\xBB\xBF"
            "a=1\n");
  ASSERT_EQ(RunCli({"strings", "encode", (dir / "bom.txt").string(), encoded}).exitCode, 0);
  EXPECT_EQ(test::ReadAll(encoded), Base64Encode("a=1\n"));
  // A final line break after the Base64 text is accepted by decode.
  dir.Write("nl.b64", Base64Encode("a=1\n") + "\n");
  ASSERT_EQ(RunCli({"strings", "decode", (dir / "nl.b64").string(), decoded}).exitCode, 0);
  EXPECT_EQ(test::ReadAll(decoded), "a=1\n");
}

TEST(CliStrings, BadInputFailsClearlyAndWritesNothing) {
  test::TempDir dir;
  const std::string out = (dir / "out").string();
  const auto plain = dir.Write("plain.properties", "alert_title=Notice\n");
  const auto split = dir.Write("split.b64", Base64Encode("a=1\nb=2\n").insert(4, "\n"));
  const auto latin1 = dir.Write("latin1.b64", Base64Encode("a=caf\xE9\n"));

  for (const auto& input : {plain, split, latin1}) {
    ProcessResult r = RunCli({"strings", "decode", input.string(), out});
    EXPECT_NE(r.exitCode, 0) << input;
    EXPECT_NE(r.err.find("not a string table"), std::string::npos) << r.err;
  }
  EXPECT_FALSE(std::filesystem::exists(out));

  ProcessResult missing = RunCli({"strings", "encode", (dir / "none").string(), out});
  EXPECT_NE(missing.exitCode, 0);
  EXPECT_NE(missing.err.find("cannot read"), std::string::npos);
  ProcessResult unwritable =
      RunCli({"strings", "encode", plain.string(), (dir / "no/such/dir/out").string()});
  EXPECT_NE(unwritable.exitCode, 0);
  EXPECT_NE(unwritable.err.find("cannot write"), std::string::npos);
  EXPECT_NE(RunCli({"strings", "encode", plain.string()}).exitCode, 0);
  EXPECT_NE(RunCli({"strings", "squash", plain.string(), out}).exitCode, 0);
  EXPECT_FALSE(std::filesystem::exists(out));
}

}  // namespace
}  // namespace orbo
