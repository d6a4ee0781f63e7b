#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "formats/crypto/digest.h"
#include "formats/crypto/sha.h"
#include "hex.h"
#include "support/temp_dir.h"

namespace orbo {
namespace {

using test::ToHex;

constexpr char kEmptyMd5[] = "d41d8cd98f00b204e9800998ecf8427e";

std::string Md5Hex(std::string_view bytes) {
  uint8_t out[16];
  EXPECT_EQ(Md5Buffer(bytes.data(), bytes.size(), out), 0);
  return ToHex(out, sizeof out);
}

// Deterministic content that differs from block to block.
std::string Pattern(size_t size) {
  std::string bytes(size, '\0');
  uint32_t x = 12345;
  for (char& c : bytes) {
    x = x * 1103515245u + 12345u;
    c = static_cast<char>(x >> 24);
  }
  return bytes;
}

TEST(Md5BufferTest, KnownDigestsAndMissingInput) {
  EXPECT_EQ(Md5Hex("abc"), "900150983cd24fb0d6963f7d28e17f72");
  EXPECT_EQ(Md5Hex(""), kEmptyMd5);

  uint8_t out[16];
  EXPECT_EQ(Md5Buffer(nullptr, 10, out), 0);  // missing data: empty message
  EXPECT_EQ(ToHex(out, sizeof out), kEmptyMd5);
  EXPECT_EQ(Md5Buffer("abc", 3, nullptr), -1);
}

TEST(Md5FileTest, EmptyFileGivesEmptyMessageDigest) {
  test::TempDir dir;
  const auto path = dir.Write("empty.bin", "");
  std::string hex;
  EXPECT_EQ(Md5FileHex(path, &hex), 0);
  EXPECT_EQ(hex, kEmptyMd5);
}

TEST(Md5FileTest, FilesSpanningSeveralReadsMatchTheBufferDigest) {
  test::TempDir dir;
  // Smaller than one buffer, exactly one buffer, and one buffer plus a tail.
  for (size_t size : {size_t{1}, size_t{4} << 20, (size_t{4} << 20) + 3}) {
    const std::string content = Pattern(size);
    const auto path = dir.Write("data.bin", content);
    std::string hex;
    ASSERT_EQ(Md5FileHex(path, &hex), 0) << size;
    EXPECT_EQ(hex, Md5Hex(content)) << size;
    EXPECT_EQ(hex.size(), 32u);
  }
}

TEST(Md5FileTest, FailuresReturnTheirCodesAndLeaveOutputAlone) {
  test::TempDir dir;
  const auto file = dir.Write("a.bin", "abc");
  uint8_t out[16];
  EXPECT_EQ(Md5File(file, nullptr), -1);
  EXPECT_EQ(Md5File(dir / "missing.bin", out), -2);
  EXPECT_EQ(Md5File(dir.path(), out), -2);  // a folder is no file

  std::string hex = "unchanged";
  EXPECT_EQ(Md5FileHex(dir / "missing.bin", &hex), -2);
  EXPECT_EQ(Md5FileHex(dir.path(), &hex), -2);
  EXPECT_EQ(hex, "unchanged");
  EXPECT_EQ(Md5FileHex(file, nullptr), -1);
}

TEST(ShaTest, KnownDigests) {
  // Expected values from Python's hashlib.
  uint8_t out256[kSha256Size];
  ASSERT_EQ(Sha256("abc", 3, out256), 0);
  EXPECT_EQ(ToHex(out256, sizeof out256),
            "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
  ASSERT_EQ(Sha256(nullptr, 0, out256), 0);
  EXPECT_EQ(ToHex(out256, sizeof out256),
            "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");

  uint8_t out384[kSha384Size];
  size_t length = 0;
  ASSERT_EQ(Sha384("abc", 3, out384, &length), 0);
  EXPECT_EQ(length, kSha384Size);
  EXPECT_EQ(ToHex(out384, sizeof out384),
            "cb00753f45a35e8bb5a03d699ac65007272c32ab0eded1631a8b605a43ff5bed"
            "8086072ba1e7cc2358baeca134c825a7");

  EXPECT_EQ(Sha384("abc", 0, out384, &length), -1);  // the one-shot form refuses empty input
  Sha384Ctx ctx;
  ASSERT_TRUE(ctx.Final(out384));  // the empty message through the context
  EXPECT_EQ(ToHex(out384, sizeof out384),
            "38b060a751ac96384cd9327eb1b1e36a21fdb71114be07434c0cc7bf63f6e1da"
            "274edebfe76f65fbd51ad2f14898b95b");
}

TEST(ShaTest, IncrementalUpdatesAndReuseAfterFinal) {
  // 1000 bytes i*7 mod 256; expected digests from Python's hashlib.
  std::string message(1000, '\0');
  for (size_t i = 0; i < message.size(); ++i) message[i] = static_cast<char>(i * 7);
  const std::string want256 = "89f4ff56a25dd1db06a4ce6033603775d705fb96f30f8693733fef602a1ca532";
  const std::string want384 =
      "81003a03bf67b8523ba96128e711facaac9f7a01ac065d3a2a83832eef6a2378"
      "14d36ba50696e09a31424a2eaedd9e57";

  Sha256Ctx sha256;
  Sha384Ctx sha384;
  // Uneven pieces that cross both block sizes; twice, since Final restarts.
  for (int round = 0; round < 2; ++round) {
    for (size_t at = 0, step = 1; at < message.size(); at += step, step = step * 3 + 1) {
      const size_t n = std::min(step, message.size() - at);
      ASSERT_TRUE(sha256.Update(message.data() + at, n));
      ASSERT_TRUE(sha384.Update(message.data() + at, n));
    }
    uint8_t out256[kSha256Size];
    uint8_t out384[kSha384Size];
    ASSERT_TRUE(sha256.Final(out256));
    ASSERT_TRUE(sha384.Final(out384));
    EXPECT_EQ(ToHex(out256, sizeof out256), want256) << round;
    EXPECT_EQ(ToHex(out384, sizeof out384), want384) << round;
  }

  // Init drops what was added.
  ASSERT_TRUE(sha256.Update("junk", 4));
  ASSERT_TRUE(sha256.Init());
  ASSERT_TRUE(sha256.Update(message.data(), message.size()));
  uint8_t out[kSha256Size];
  ASSERT_TRUE(sha256.Final(out));
  EXPECT_EQ(ToHex(out, sizeof out), want256);
}

TEST(Crc32Test, CheckValueAndEdges) {
  EXPECT_EQ(Crc32Buffer("123456789", 9), 0xCBF43926u);
  EXPECT_EQ(Crc32Buffer("x", 0), 0u);
  EXPECT_EQ(Crc32Buffer(nullptr, 0), 0xFFFFFFFFu);
  EXPECT_EQ(Crc32Buffer(nullptr, 9), 0xFFFFFFFFu);
}

}  // namespace
}  // namespace orbo
