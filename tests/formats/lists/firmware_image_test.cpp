#include "formats/lists/firmware_image.h"

#include <gtest/gtest.h>

#include "formats/crypto/rc4.h"
#include "support/temp_dir.h"

namespace orbo {
namespace {

std::string Pattern(size_t size, unsigned seed) {
  std::string s(size, '\0');
  for (size_t i = 0; i < size; ++i) {
    seed = seed * 1103515245u + 12345u;
    s[i] = static_cast<char>(seed >> 16);
  }
  return s;
}

TEST(FirmwareImage, KeystreamRestartsAtEveryBlockAcrossReadPieces) {
  test::TempDir dir;
  // Larger than one read piece (256 KiB) and not a multiple of the block,
  // with the same 1024-byte block repeated at block boundaries.
  const std::string block = Pattern(1024, 7);
  std::string plain;
  for (int i = 0; i < 300; ++i) plain += block;
  plain += Pattern(100, 9);
  dir.Write("image.bin", plain);
  ASSERT_EQ(CryptImageFile(dir / "image.bin", dir / "image.img"), 0);
  const std::string cipher = dir.Read("image.img");
  ASSERT_EQ(cipher.size(), plain.size());
  EXPECT_NE(cipher.substr(0, 1024), block);
  for (size_t at = 1024; at + 1024 <= 300 * 1024; at += 1024) {
    ASSERT_EQ(cipher.compare(at, 1024, cipher, 0, 1024), 0) << "block at " << at;
  }
  // The short tail uses the start of the same keystream.
  std::string tail = plain.substr(300 * 1024);
  Rc4Xor(kImageKey, reinterpret_cast<uint8_t*>(tail.data()), tail.size());
  EXPECT_EQ(cipher.substr(300 * 1024), tail);

  ASSERT_EQ(CryptImageFile(dir / "image.img", dir / "again.bin"), 0);
  EXPECT_EQ(dir.Read("again.bin"), plain);
}

TEST(FirmwareImage, FailuresLeaveTheTargetAlone) {
  test::TempDir dir;
  dir.Write("out.bin", "previous");
  EXPECT_EQ(CryptImageFile(dir / "missing.img", dir / "out.bin"), -1);
  EXPECT_EQ(CryptImageFileError(-1, dir / "missing.img", dir / "out.bin"),
            "cannot open " + (dir / "missing.img").string());
  EXPECT_EQ(CryptImageFile(dir.path(), dir / "out.bin"), -1);  // a folder
  EXPECT_EQ(dir.Read("out.bin"), "previous");
  dir.Write("in.img", "data");
  EXPECT_EQ(CryptImageFile(dir / "in.img", dir / "no-such-folder" / "out.bin"), -3);
  EXPECT_EQ(CryptImageFileError(-3, dir / "in.img", dir / "no-such-folder" / "out.bin"),
            "cannot write " + (dir / "no-such-folder" / "out.bin").string());
  EXPECT_EQ(CryptImageToFd(dir / "in.img", -1), -3);
  size_t files = 0;
  for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir.path())) ++files;
  EXPECT_EQ(files, 2u);  // no temporary file stayed behind

  dir.Write("empty.img", "");
  ASSERT_EQ(CryptImageFile(dir / "empty.img", dir / "empty.bin"), 0);
  EXPECT_EQ(dir.Read("empty.bin"), "");
}

}  // namespace
}  // namespace orbo
