// orbo-cli boxtypes and firmware: the release tools agree with the files the
// build ships, and refuse bad input with a message and a non-zero exit.
#include <gtest/gtest.h>

#include "base/base64.h"
#include "support/child_process.h"
#include "support/temp_dir.h"

namespace orbo {
namespace {

const std::filesystem::path kApp = ORBO_APP_DIR;
const std::filesystem::path kSource = ORBO_SOURCE_DIR;

// Runs orbo-cli with args to its end.
test::ProcessResult Cli(std::vector<std::string> args) {
  args.insert(args.begin(), (kApp / "orbo-cli").string());
  return test::RunProcess(args);
}

TEST(ReleaseVerbs, BoxTypesRoundTripTheShippedFile) {
  test::TempDir dir;
  const std::string plain = (dir / "models.xml").string();
  const std::string stored = (dir / "BOXType.hmi").string();
  ASSERT_EQ(Cli({"boxtypes", "decode", (kApp / "BOXType.hmi").string(), plain}).exitCode, 0);
  EXPECT_EQ(test::ReadAll(plain), test::ReadAll(kSource / "resources/catalogue/BOXType.xml"));
  ASSERT_EQ(Cli({"boxtypes", "encode", plain, stored}).exitCode, 0);
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
    const test::ProcessResult run = Cli(args);
    EXPECT_NE(run.exitCode, 0) << args[1];
    EXPECT_NE(run.err.find("orbo-cli: "), std::string::npos) << args[1];
  }
  EXPECT_FALSE(std::filesystem::exists(out));
}

TEST(ReleaseVerbs, FirmwareDecryptGivesThePlainImageAndItsCatalogueDigest) {
  test::TempDir dir;
  const std::string plain = (dir / "imageA7").string();
  const test::ProcessResult run =
      Cli({"firmware", "decrypt", (kApp / "update/imageA7.img").string(), plain});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(test::ReadAll(plain), test::ReadAll(kSource / "resources/update/plain/imageA7"));
  const std::string md5 = run.out.substr(0, 32);
  EXPECT_NE(test::ReadAll(kApp / "Up.ibl").find("Md5=\"" + md5 + "\""), std::string::npos);

  const std::string again = (dir / "imageA7.img").string();
  ASSERT_EQ(Cli({"firmware", "encrypt", plain, again}).exitCode, 0);
  EXPECT_EQ(test::ReadAll(again), test::ReadAll(kApp / "update/imageA7.img"));

  EXPECT_NE(Cli({"firmware", "decrypt", (dir / "missing").string(), again}).exitCode, 0);
  EXPECT_NE(Cli({"firmware", "decrypt", plain, (dir / "no/such/dir").string()}).exitCode, 0);
  EXPECT_NE(Cli({"firmware", "scramble", plain, again}).exitCode, 0);
}

}  // namespace
}  // namespace orbo
