// orbo-cli boxtypes and firmware: the release tools agree with the files the
// build ships, and refuse bad input with a message and a non-zero exit.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>

#include "base/base64.h"
#include "support/temp_dir.h"

extern char** environ;

namespace orbo {
namespace {

const std::filesystem::path kApp = ORBO_APP_DIR;
const std::filesystem::path kSource = ORBO_SOURCE_DIR;

struct CliRun {
  int status = -1;
  std::string out, err;
};

// Runs orbo-cli with args; stdout and stderr go through files in dir.
CliRun Cli(const test::TempDir& dir, std::vector<std::string> args) {
  args.insert(args.begin(), (kApp / "orbo-cli").string());
  const std::string out = (dir / "stdout").string(), err = (dir / "stderr").string();
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  CliRun run;
  pid_t pid = -1;
  if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) == 0) {
    int status = 0;
    if (waitpid(pid, &status, 0) == pid && WIFEXITED(status)) run.status = WEXITSTATUS(status);
  }
  posix_spawn_file_actions_destroy(&actions);
  run.out = test::ReadAll(out);
  run.err = test::ReadAll(err);
  return run;
}

TEST(ReleaseVerbs, BoxTypesRoundTripTheShippedFile) {
  test::TempDir dir;
  const std::string plain = (dir / "models.xml").string();
  const std::string stored = (dir / "BOXType.hmi").string();
  ASSERT_EQ(Cli(dir, {"boxtypes", "decode", (kApp / "BOXType.hmi").string(), plain}).status, 0);
  EXPECT_EQ(test::ReadAll(plain), test::ReadAll(kSource / "resources/catalogue/BOXType.xml"));
  ASSERT_EQ(Cli(dir, {"boxtypes", "encode", plain, stored}).status, 0);
  EXPECT_EQ(test::ReadAll(stored), test::ReadAll(kApp / "BOXType.hmi"));
}

TEST(ReleaseVerbs, BoxTypesRefuseWhatIsNoModelFile) {
  test::TempDir dir;
  const std::string out = (dir / "out").string();
  dir.Write("broken.xml", "<BOXSet><box Type=\"A\"></BOXSet>");
  dir.Write("other.xml", "<WifiList/>");
  dir.Write("broken.hmi", Base64Encode("<BOXSet>"));
  for (const auto& args : std::vector<std::vector<std::string>>{
           {"boxtypes", "encode", (dir / "broken.xml").string(), out},
           {"boxtypes", "encode", (dir / "other.xml").string(), out},
           {"boxtypes", "decode", (dir / "broken.hmi").string(), out},
           {"boxtypes", "decode", (dir / "missing.hmi").string(), out},
           {"boxtypes", "convert", (dir / "other.xml").string(), out},
           {"boxtypes", "encode"}}) {
    const CliRun run = Cli(dir, args);
    EXPECT_NE(run.status, 0) << args[1];
    EXPECT_NE(run.err.find("orbo-cli: "), std::string::npos) << args[1];
  }
  EXPECT_FALSE(std::filesystem::exists(out));
}

TEST(ReleaseVerbs, FirmwareDecryptGivesThePlainImageAndItsCatalogueDigest) {
  test::TempDir dir;
  const std::string plain = (dir / "imageA7").string();
  const CliRun run =
      Cli(dir, {"firmware", "decrypt", (kApp / "update/imageA7.img").string(), plain});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(test::ReadAll(plain), test::ReadAll(kSource / "resources/update/plain/imageA7"));
  const std::string md5 = run.out.substr(0, 32);
  EXPECT_NE(test::ReadAll(kApp / "Up.ibl").find("Md5=\"" + md5 + "\""), std::string::npos);

  const std::string again = (dir / "imageA7.img").string();
  ASSERT_EQ(Cli(dir, {"firmware", "encrypt", plain, again}).status, 0);
  EXPECT_EQ(test::ReadAll(again), test::ReadAll(kApp / "update/imageA7.img"));

  EXPECT_NE(Cli(dir, {"firmware", "decrypt", (dir / "missing").string(), again}).status, 0);
  EXPECT_NE(Cli(dir, {"firmware", "decrypt", plain, (dir / "no/such/dir").string()}).status, 0);
  EXPECT_NE(Cli(dir, {"firmware", "scramble", plain, again}).status, 0);
}

}  // namespace
}  // namespace orbo
