// Sending and fetching files against a scripted transport: the header, the
// blocks, the acknowledgement rules, and what a failed fetch leaves behind.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <memory>

#include "link/file_transfer.h"
#include "link/transfer_header.h"
#include "link_fakes.h"
#include "support/fake_sleeper.h"
#include "support/md5_hex.h"
#include "support/temp_dir.h"

namespace orbo {
namespace {

using test::FakeSleeper;
using test::FakeTransport;
using test::Md5Hex;
using test::TempDir;

std::string HeaderBytes(std::string_view digest, uint32_t size) {
  auto h = EncodeTransferHeader(digest, size);
  return std::string(reinterpret_cast<const char*>(h.data()), h.size());
}

struct Rig {
  FakeTransport transport;
  FakeSleeper sleeper;
  BoxLink link{nullptr, sleeper};
  TempDir dir;
  Rig() { link.Attach(&transport); }

  bool Send(std::string_view content, std::string_view name = "setup.xml") {
    auto path = dir.Write("local.bin", content);
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"),
                                                         std::fclose);
    return SendFile(link, name, file.get(), Md5Hex(content));
  }
  void QueueAcks(std::initializer_list<const char*> acks) {
    for (const char* a : acks) transport.Queue(a);
  }
  // Files in the folder other than the ones named.
  std::vector<std::string> Files() const {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(dir.path())) {
      names.push_back(e.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
  }
};

TEST(TransferHeader, LittleEndianFieldsAndDigestField) {
  const std::string digest = "0123456789abcdef0123456789abcdef";
  auto h = EncodeTransferHeader(digest + "ignored", 0x01020304);
  EXPECT_EQ(h[0], 44);
  EXPECT_EQ(h[1] | h[2] | h[3], 0);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(&h[4]), 32), digest);
  for (int i = 36; i < 40; ++i) EXPECT_EQ(h[i], 0);
  EXPECT_EQ(h[40], 4);
  EXPECT_EQ(h[43], 1);

  uint8_t raw[kTransferHeaderSize];
  std::copy(h.begin(), h.end(), raw);
  TransferHeader back = DecodeTransferHeader(raw);
  EXPECT_EQ(back.headerLength, 44u);
  EXPECT_EQ(back.digest, digest);
  EXPECT_EQ(back.size, 0x01020304u);

  raw[10] = 0;  // the digest text ends at its first zero byte
  EXPECT_EQ(DecodeTransferHeader(raw).digest, digest.substr(0, 6));
}

TEST(SendFile, AnnouncesHeaderThenBlocksOf102400) {
  Rig rig;
  std::string content(102401, 'q');
  content[102400] = 'Z';
  rig.QueueAcks({"OK\r", "okok!\r", "okok!\r", "okokok!"});
  EXPECT_TRUE(rig.Send(content, "cloudprj.kzrp"));
  const auto& w = rig.transport.writes;
  ASSERT_EQ(w.size(), 4u);
  EXPECT_EQ(w[0], "Download cloudprj.kzrp\r");
  EXPECT_EQ(w[1], HeaderBytes(Md5Hex(content), 102401));
  EXPECT_EQ(w[2], content.substr(0, 102400));
  EXPECT_EQ(w[3], "Z");
}

TEST(SendFile, EmptyFileStillAwaitsAllAcknowledgements) {
  Rig rig;
  rig.QueueAcks({"OK\r", "okok!\r", "okok!\r"});
  EXPECT_FALSE(rig.Send(""));  // no final answer
  ASSERT_EQ(rig.transport.writes.size(), 2u);
  EXPECT_EQ(rig.transport.writes[1], HeaderBytes(Md5Hex(""), 0));

  Rig ok;
  ok.QueueAcks({"OK\r", "okok!\r", "okok!\r", "END"});
  EXPECT_TRUE(ok.Send(""));
}

TEST(SendFile, AcknowledgementRules) {
  struct Case {
    std::vector<const char*> replies;
    bool expected;
  } cases[] = {
      {{"OK\r", "ERROR\r", "ERROR\r", "okok!\r", "okok!\r", "okokok!"}, false},
      {{"OK\r", "ERROR\r", "okok!\r", "okok!\r", "okokok!"}, true},
      {{"OK\r", "okok!\r", "ERROR\r", "okok!\r", "okokok!"}, true},  // one forgiven per wait
      {{"OK\r", "okok!\r", "okok!\r", "timeout"}, false},
      {{"OK\r", "okok!\r", "okok!\r", "END"}, true},
      {{"OK\r", "noise!", "okok!\r", "other!", "okok!\r", "status!", "okokok!"}, true},
  };
  for (const Case& c : cases) {
    Rig rig;
    for (const char* r : c.replies) rig.transport.Queue(r);
    EXPECT_EQ(rig.Send("payload"), c.expected) << c.replies[1] << c.replies[2];
  }
}

TEST(SendFile, MissingOkIsRetriedTenTimesThenIgnored) {
  Rig rig;
  rig.transport.Queue("NO\r");  // the announcement answer never decides
  for (int i = 0; i < 9; ++i) rig.transport.QueueFailure();
  rig.QueueAcks({"okok!\r", "okok!\r", "okokok!"});
  EXPECT_TRUE(rig.Send("data"));
  EXPECT_EQ(rig.transport.read_lengths[0], 3u);
  EXPECT_EQ(rig.transport.read_lengths[9], 3u);
}

TEST(SendFile, SilentBoxFailsAfterTenMisses) {
  Rig rig;
  rig.transport.Queue("OK\r");
  EXPECT_FALSE(rig.Send("data"));
  // 1 OK read, 10 missed acknowledgement reads of 6 bytes, each after 100 ms.
  EXPECT_EQ(rig.transport.reads, 11);
  EXPECT_EQ(rig.sleeper.now_ms(), 1000);
}

TEST(SendFile, EndlessUnrelatedTextIsBounded) {
  Rig rig;
  rig.transport.Queue("OK\r");
  for (int i = 0; i < kMaxUnrelatedReplies + 5; ++i) rig.transport.Queue("NOISE!");
  rig.QueueAcks({"okok!\r", "okok!\r", "okokok!"});
  EXPECT_FALSE(rig.Send("data"));
}

TEST(SendFile, WriteFailureStopsTheTransfer) {
  Rig rig;
  rig.transport.fail_writes = true;
  EXPECT_FALSE(rig.Send("data"));
}

class FetchFileTest : public ::testing::Test {
 protected:
  FetchOutcome Fetch(std::string_view password = "") {
    return FetchFile(rig.link, "cloudprj.kzrp", password, target);
  }
  Rig rig;
  std::filesystem::path target = rig.dir / "project.kzrp";
};

TEST_F(FetchFileTest, StoresVerifiedFile) {
  const std::string content(250000, 'k');
  rig.transport.Queue("UpLoadStat:0");
  rig.transport.Queue(HeaderBytes(Md5Hex(content), content.size()));
  rig.transport.Queue(content);
  EXPECT_EQ(Fetch("1234"), FetchOutcome::kSuccess);
  EXPECT_EQ(rig.transport.writes[0], "Upload cloudprj.kzrp 1234\r");
  EXPECT_EQ(test::ReadAll(target), content);
  for (size_t n : rig.transport.read_lengths) EXPECT_LE(n, kTransferBlockSize);
  EXPECT_EQ(rig.Files(), std::vector<std::string>{"project.kzrp"});
}

TEST_F(FetchFileTest, SymlinkedTargetIsWrittenThrough) {
  // The link and its target in different folders: the fetched file lands
  // in the target (beside which the temporary file is made) and the link stays.
  const std::filesystem::path real = rig.dir / "store" / "real.kzrp";
  rig.dir.Write("store/real.kzrp", "old");
  std::filesystem::create_symlink("store/real.kzrp", target);
  rig.transport.Queue("UpLoadStat:0");
  rig.transport.Queue(HeaderBytes(Md5Hex("new"), 3));
  rig.transport.Queue("new");
  EXPECT_EQ(Fetch(), FetchOutcome::kSuccess);
  EXPECT_TRUE(std::filesystem::is_symlink(target));
  EXPECT_EQ(test::ReadAll(real), "new");
  EXPECT_EQ(rig.Files(), (std::vector<std::string>{"project.kzrp", "store"}));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(rig.dir / "store"), {}), 1);
}

TEST_F(FetchFileTest, EmptyPasswordAndEmptyFile) {
  rig.transport.Queue("UpLoadStat:0");
  rig.transport.Queue(HeaderBytes(Md5Hex(""), 0));
  EXPECT_EQ(Fetch(), FetchOutcome::kSuccess);
  EXPECT_EQ(rig.transport.writes[0], "Upload cloudprj.kzrp \r");
  EXPECT_TRUE(std::filesystem::exists(target));
  EXPECT_EQ(std::filesystem::file_size(target), 0u);
}

TEST_F(FetchFileTest, RefusalsWriteNothing) {
  test::WriteAll(target, "old project");
  rig.transport.Queue("UpLoadStat:1");
  EXPECT_EQ(Fetch("bad"), FetchOutcome::kPasswordInvalid);
  rig.transport.Queue("UpLoadStat:2");
  EXPECT_EQ(Fetch(), FetchOutcome::kProhibited);
  const size_t sent = rig.transport.writes.size();
  for (const char* smuggling : {"pw Light", "pw\rLight", "pw\x7f", "\t"}) {
    EXPECT_EQ(Fetch(smuggling), FetchOutcome::kPasswordRefused) << smuggling;
  }
  EXPECT_EQ(rig.transport.writes.size(), sent);
  EXPECT_EQ(test::ReadAll(target), "old project");
  EXPECT_EQ(rig.Files(), std::vector<std::string>{"project.kzrp"});
}

TEST_F(FetchFileTest, BadDataLeavesExistingFileAndNoTemporary) {
  const std::string content = "new project bytes";
  struct Case {
    const char* what;
    std::vector<std::string> chunks;
  } cases[] = {
      {"digest mismatch", {"UpLoadStat:0", HeaderBytes(Md5Hex("other"), 17), content}},
      {"data cut short", {"UpLoadStat:0", HeaderBytes(Md5Hex(content), 17), content.substr(0, 9)}},
      {"short header", {"UpLoadStat:0", HeaderBytes(Md5Hex(content), 17).substr(0, 30)}},
      {"nothing at all", {}},
      {"over 2 GiB", {"UpLoadStat:0", HeaderBytes(Md5Hex(content), 0x80000001u), content}},
      {"4 GiB", {"UpLoadStat:0", HeaderBytes(Md5Hex(content), 0xFFFFFFFFu), content}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Rig fresh;
    std::filesystem::path local = fresh.dir / "setup.xml";
    test::WriteAll(local, "old setup");
    for (const auto& chunk : c.chunks) fresh.transport.Queue(chunk);
    EXPECT_EQ(FetchFile(fresh.link, "setup.xml", "", local), FetchOutcome::kFailed);
    EXPECT_EQ(test::ReadAll(local), "old setup");
    EXPECT_EQ(fresh.Files(), std::vector<std::string>{"setup.xml"});
  }
}

TEST_F(FetchFileTest, UnreadableStatusCountsAsZero) {
  const std::string content = "x";
  rig.transport.Queue("garbage text");
  rig.transport.Queue(HeaderBytes(Md5Hex(content), 1));
  rig.transport.Queue(content);
  EXPECT_EQ(Fetch(), FetchOutcome::kSuccess);
}

TEST_F(FetchFileTest, MissingFolderFailsCleanly) {
  rig.transport.Queue("UpLoadStat:0");
  rig.transport.Queue(HeaderBytes(Md5Hex("x"), 1));
  rig.transport.Queue("x");
  EXPECT_EQ(FetchFile(rig.link, "setup.xml", "", rig.dir / "no" / "such" / "setup.xml"),
            FetchOutcome::kLocalFileFailed);
}

}  // namespace
}  // namespace orbo
