#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "base/file_util.h"
#include "support/temp_dir.h"

namespace orbo {
namespace {

TEST(FileUtil, AtomicWriteReplacesContentAndKeepsMode) {
  test::TempDir dir;
  auto path = dir.Write("a.ini", "old content");
  ASSERT_EQ(::chmod(path.c_str(), 0600), 0);
  ASSERT_TRUE(WriteFileAtomic(path, "new"));
  EXPECT_EQ(test::ReadAll(path), "new");
  struct stat st {};
  ASSERT_EQ(::stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  // No temporary file is left beside it.
  int entries = 0;
  for ([[maybe_unused]] auto& e : std::filesystem::directory_iterator(dir.path())) ++entries;
  EXPECT_EQ(entries, 1);
}

TEST(FileUtil, FailedWriteLeavesTargetAlone) {
  test::TempDir dir;
  EXPECT_FALSE(WriteFileAtomic(dir / "missing-folder" / "x.xml", "data"));
  auto path = dir.Write("keep.xml", "keep");
  ASSERT_EQ(::chmod(dir.path().c_str(), 0500), 0);  // folder not writable
  const bool wrote = WriteFileAtomic(path, "lost");
  ::chmod(dir.path().c_str(), 0700);
  if (::geteuid() != 0) {
    EXPECT_FALSE(wrote);  // root ignores the mode bits
  }
  if (!wrote) {
    EXPECT_EQ(test::ReadAll(path), "keep");
  }
}

TEST(FileUtil, ReadRefusesMissingFoldersAndOversizedFiles) {
  test::TempDir dir;
  std::string out = "stale";
  EXPECT_FALSE(ReadFileBytes(dir / "none", &out));
  EXPECT_TRUE(out.empty());
  EXPECT_FALSE(ReadFileBytes(dir.path(), &out));  // a folder is not a file
  dir.Write("big", std::string(100, 'x'));
  EXPECT_FALSE(ReadFileBytes(dir / "big", &out, 99));
  EXPECT_TRUE(ReadFileBytes(dir / "big", &out, 100));
  EXPECT_EQ(out.size(), 100u);
}

TEST(FileUtil, WriteFdFullyWritesEveryByteOrReportsTheFailure) {
  test::TempDir dir;
  const auto path = dir / "out.bin";
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
  ASSERT_GE(fd, 0);
  std::string bytes(300000, '\0');
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i * 7);
  EXPECT_TRUE(WriteFdFully(fd, bytes.data(), bytes.size()));
  EXPECT_TRUE(WriteFdFully(fd, nullptr, 0));
  ::close(fd);
  EXPECT_EQ(test::ReadAll(path), bytes);
  EXPECT_FALSE(WriteFdFully(-1, "x", 1));
}

TEST(FileUtil, OnlyRegularFilesAreReadAndLinksAreWrittenThrough) {
  test::TempDir dir;
  // A FIFO would block the open for ever; it is refused at once.
  const auto fifo = dir.path() / "SoftLang.ini";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  std::string bytes = "x";
  EXPECT_FALSE(ReadFileBytes(fifo, &bytes));
  EXPECT_TRUE(bytes.empty());

  // A write through a link changes the target and keeps the link.
  const auto target = dir.Write("real/settings.ini", "[HMI]\nlang=en\n");
  const auto link = dir.path() / "linked.ini";
  std::filesystem::create_symlink("real/settings.ini", link);
  ASSERT_TRUE(WriteFileAtomic(link, "[HMI]\nlang=zh\n"));
  EXPECT_TRUE(std::filesystem::is_symlink(link));
  EXPECT_EQ(dir.Read("real/settings.ini"), "[HMI]\nlang=zh\n");
}

TEST(FileUtil, StaleTemporaryFilesOfATargetAreRemoved) {
  test::TempDir dir;
  dir.Write(".setup.xml.tmp.Ab12Cd", "half");
  dir.Write(".other.xml.tmp.Ab12Cd", "half");
  dir.Write("setup.xml", "kept");
  dir.Write(".setup.xml.tmp.toolong", "not ours");
  RemoveStaleTempFiles(dir.path(), "setup.xml");
  EXPECT_FALSE(std::filesystem::exists(dir.path() / ".setup.xml.tmp.Ab12Cd"));
  EXPECT_TRUE(std::filesystem::exists(dir.path() / ".other.xml.tmp.Ab12Cd"));
  EXPECT_TRUE(std::filesystem::exists(dir.path() / ".setup.xml.tmp.toolong"));
  RemoveStaleTempFiles(dir.path());
  EXPECT_FALSE(std::filesystem::exists(dir.path() / ".other.xml.tmp.Ab12Cd"));
  EXPECT_EQ(dir.Read("setup.xml"), "kept");
}

}  // namespace
}  // namespace orbo
