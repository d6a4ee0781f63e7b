#include <gtest/gtest.h>
#include <unistd.h>

#include "firmware_files.h"
#include "link/transfer_header.h"
#include "ops/transfer/firmware_update.h"
#include "transfer_fixture.h"
#include "zip_helpers.h"

namespace orbo {
namespace {

class PrepareAndSendTest : public ::testing::Test {
 protected:
  void SetUp() override {
    plain = test::SampleImage(5000, 3);
    f.dir.Write("update/imageARM9.img", test::Encrypt(plain));
    f.dir.Write("update/os.img", test::Encrypt(plain));
    // A shipped file named like the plain image must survive.
    f.dir.Write("update/os", "shipped");
    ASSERT_TRUE(test::MakeZip(f.dir / "update/updateARM9", {{"install.sh", "#!/bin/sh\n"}}));
    ASSERT_TRUE(test::MakeZip(f.dir / "update/update", {{"install.sh", "#!/bin/sh\n"}}));
    shipped = f.Files();
  }
  bool Send(const std::string& image, std::string_view digest, bool packaged,
            std::string_view box_name = "osbox") {
    return PrepareAndSend(f.ctx, f.dir / "update" / image, box_name, digest, packaged);
  }
  // What went over the link after the announcement: header and data.
  std::string Written() const { return f.transport.Written(); }

  test::TransferFixture f;
  std::string plain;
  std::vector<std::string> shipped;
};

TEST_F(PrepareAndSendTest, SendsTheDecryptedImageUnderItsBoxName) {
  f.QueueSendAcks();
  ASSERT_TRUE(Send("os.img", test::Md5Hex(plain), false));
  const std::string written = Written();
  const std::string announce = "Download osbox\r";
  ASSERT_EQ(written.substr(0, announce.size()), announce);
  const auto header = EncodeTransferHeader(test::Md5Hex(plain), 5000);
  EXPECT_EQ(written.substr(announce.size(), header.size()),
            std::string(header.begin(), header.end()));
  EXPECT_EQ(written.substr(announce.size() + header.size()), plain);
  EXPECT_TRUE(f.Logged("download_success"));
  EXPECT_EQ(f.Files(), shipped);
  EXPECT_EQ(f.dir.Read("update/os"), "shipped");
}

TEST_F(PrepareAndSendTest, AnUppercaseCatalogueDigestMatches) {
  f.QueueSendAcks();
  std::string upper = test::Md5Hex(plain);
  for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  EXPECT_TRUE(Send("os.img", upper, false));
}

TEST_F(PrepareAndSendTest, PackagedSendsATemplateCopyWithTheImageAsFsFlash) {
  f.QueueSendAcks();
  ASSERT_TRUE(Send("imageARM9.img", test::Md5Hex(plain), true));
  const std::string written = Written();
  const std::string announce = "Download fsFLASH\r";
  ASSERT_EQ(written.substr(0, announce.size()), announce);
  const std::string package = written.substr(announce.size() + kTransferHeaderSize);
  const auto header = EncodeTransferHeader(test::Md5Hex(package), package.size());
  EXPECT_EQ(written.substr(announce.size(), header.size()),
            std::string(header.begin(), header.end()));
  f.dir.Write("received.zip", package);
  const auto entries = test::ReadZip(f.dir / "received.zip");
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(entries.at("install.sh"), "#!/bin/sh\n");
  EXPECT_EQ(entries.at("image"), plain);
  std::filesystem::remove(f.dir / "received.zip");
  EXPECT_EQ(f.Files(), shipped);

  // Any other image name takes the generic template.
  test::TransferFixture g;
  g.dir.Write("update/os.img", test::Encrypt(plain));
  ASSERT_TRUE(test::MakeZip(g.dir / "update/update", {{"generic", "g"}}));
  g.QueueSendAcks();
  ASSERT_TRUE(PrepareAndSend(g.ctx, g.dir / "update/os.img", "update", test::Md5Hex(plain), true));
  g.dir.Write("received.zip", g.transport.Written().substr(17 + kTransferHeaderSize));
  EXPECT_EQ(test::ReadZip(g.dir / "received.zip").count("generic"), 1u);
}

TEST_F(PrepareAndSendTest, AMismatchingDigestIsNeverSent) {
  EXPECT_FALSE(Send("os.img", test::Md5Hex("something else"), false));
  EXPECT_FALSE(Send("imageARM9.img", "", true));
  EXPECT_EQ(f.transport.writes.size(), 0u);
  EXPECT_EQ(f.LogLines(), (std::vector<std::string>{"md5_error", "md5_error"}));
  EXPECT_EQ(f.Files(), shipped);
}

TEST_F(PrepareAndSendTest, AMissingImageShowsItsKey) {
  EXPECT_FALSE(Send("missing.img", test::Md5Hex(plain), false));
  EXPECT_EQ(f.LogLines(), (std::vector<std::string>{"open_src_file_failed"}));
  EXPECT_EQ(f.transport.writes.size(), 0u);
  EXPECT_EQ(f.Files(), shipped);
}

TEST_F(PrepareAndSendTest, AFailedTransferLeavesNoFileBehind) {
  f.transport.Queue("OK\r");
  f.transport.Queue("ERROR\r");
  f.transport.Queue("ERROR\r");
  EXPECT_FALSE(Send("os.img", test::Md5Hex(plain), false));
  EXPECT_TRUE(f.Logged("download_failed"));
  EXPECT_EQ(f.Files(), shipped);

  f.view.Clear();
  EXPECT_FALSE(Send("imageARM9.img", test::Md5Hex(plain), true));  // silent box
  EXPECT_TRUE(f.Logged("download_failed"));
  EXPECT_EQ(f.Files(), shipped);
}

TEST_F(PrepareAndSendTest, AMissingOrBrokenTemplateFailsBeforeSending) {
  std::filesystem::remove(f.dir / "update/updateARM9");
  EXPECT_FALSE(Send("imageARM9.img", test::Md5Hex(plain), true));
  f.dir.Write("update/updateARM9", "not a zip archive");
  EXPECT_FALSE(Send("imageARM9.img", test::Md5Hex(plain), true));
  EXPECT_EQ(f.transport.writes.size(), 0u);
  EXPECT_EQ(f.LogLines(), (std::vector<std::string>{"download_failed", "download_failed"}));
  EXPECT_EQ(f.dir.Read("update/updateARM9"), "not a zip archive");
  EXPECT_EQ(f.Files().size(), shipped.size());
}

TEST_F(PrepareAndSendTest, LeftoversOfAnAbruptlyEndedRunAreRemoved) {
  f.dir.Write("update/.os.tmp.a1B2c3", "decrypted");
  f.dir.Write("update/.fsFLASHARM9.tmp.Zz9yY8", "package");
  f.dir.Write("update/.keep", "");
  f.dir.Write("update/notes.tmp.abcdef", "");
  f.dir.Write("update/.notes.tmp.toolong", "");
  EXPECT_FALSE(Send("os.img", "", false));
  EXPECT_FALSE(std::filesystem::exists(f.dir / "update/.os.tmp.a1B2c3"));
  EXPECT_FALSE(std::filesystem::exists(f.dir / "update/.fsFLASHARM9.tmp.Zz9yY8"));
  EXPECT_TRUE(std::filesystem::exists(f.dir / "update/.keep"));
  EXPECT_TRUE(std::filesystem::exists(f.dir / "update/notes.tmp.abcdef"));
  EXPECT_TRUE(std::filesystem::exists(f.dir / "update/.notes.tmp.toolong"));
}

TEST_F(PrepareAndSendTest, AnUnwritableUpdateFolderShowsCryptFailure) {
  if (::geteuid() == 0) GTEST_SKIP() << "permissions do not bind root";
  std::filesystem::permissions(
      f.dir / "update", std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
  EXPECT_FALSE(Send("os.img", test::Md5Hex(plain), false));
  std::filesystem::permissions(f.dir / "update", std::filesystem::perms::owner_all);
  EXPECT_EQ(f.LogLines(), (std::vector<std::string>{"crypt_file_failed"}));
  EXPECT_EQ(f.Files(), shipped);
}

}  // namespace
}  // namespace orbo
