#include <gtest/gtest.h>

#include "ops/transfer/firmware_update.h"
#include "transfer_fixture.h"

namespace orbo {
namespace {

class VersionList : public ::testing::Test {
 protected:
  bool Read() { return ReadVersionList(f.link, &list); }
  test::TransferFixture f;
  std::string list;
};

TEST_F(VersionList, ReadsTheAnnouncedLength) {
  const std::string text = "fsFLASHVER:V1.2.0-P:FS\r\nOSVER:V2.0.0\r\n";
  f.transport.Queue("0038");
  f.transport.Queue(text + "trailing");
  ASSERT_TRUE(Read());
  EXPECT_EQ(list, text);
  EXPECT_EQ(f.transport.Written(), "GetAllVersion\r");
  EXPECT_GE(f.transport.purges, 2);
}

TEST_F(VersionList, ListsArriveInPiecesAndAfterEmptyLengthReads) {
  f.transport.Queue(std::string(4, '\0'));  // a zero first byte: read again
  f.transport.Queue("00");                  // the length text split by the stream
  f.transport.Queue("10");
  f.transport.Queue("OSVER:");
  f.transport.Queue("V2\r\n");
  ASSERT_TRUE(Read());
  EXPECT_EQ(list, "OSVER:V2\r\n");
}

TEST_F(VersionList, AHugeLengthStillEndsInsideTheBuffer) {
  for (const char* prefix : {"9999", "5000", "4097"}) {
    test::TransferFixture g;
    g.transport.Queue(prefix);
    g.transport.Queue(std::string(3000, 'a'));
    g.transport.Queue(std::string(3000, 'b'));
    std::string got;
    ASSERT_TRUE(ReadVersionList(g.link, &got)) << prefix;
    EXPECT_EQ(got.size(), kVersionListSize) << prefix;
    EXPECT_EQ(got, std::string(3000, 'a') + std::string(1096, 'b'));
    for (size_t n : g.transport.read_lengths) EXPECT_LE(n, kVersionListSize);
  }
}

TEST_F(VersionList, LengthTextsThatAreNoPositiveNumberReadNoList) {
  for (const char* prefix : {"0000", "-100", "ERRO", "abcd", "  \r\n"}) {
    test::TransferFixture g;
    g.transport.Queue(prefix);
    g.transport.Queue("OSVER:V2\r\n");
    std::string got = "stale";
    EXPECT_FALSE(ReadVersionList(g.link, &got)) << prefix;
    EXPECT_EQ(got, "") << prefix;
    // Nothing past the length text was read.
    EXPECT_EQ(g.transport.reads, 1) << prefix;
  }
}

TEST_F(VersionList, ErrorEmptyAndSilentBoxesFail) {
  {
    test::TransferFixture g;
    g.transport.Queue("0006");
    g.transport.Queue("ERROR\r");
    std::string got;
    EXPECT_FALSE(ReadVersionList(g.link, &got));
  }
  {
    test::TransferFixture g;  // the length came, the list did not
    g.transport.Queue("0020");
    std::string got;
    EXPECT_FALSE(ReadVersionList(g.link, &got));
  }
  {
    test::TransferFixture g;  // silent: three tries for the length, then give up
    std::string got;
    EXPECT_FALSE(ReadVersionList(g.link, &got));
    EXPECT_EQ(g.transport.reads, 3);
  }
  {
    test::TransferFixture g;
    g.transport.fail_writes = true;
    std::string got;
    EXPECT_FALSE(ReadVersionList(g.link, &got));
    EXPECT_EQ(g.transport.reads, 0);
  }
}

TEST_F(VersionList, TheListEndsAtAZeroByte) {
  f.transport.Queue("0016");
  f.transport.Queue(std::string("OSVER:V2\r\n\0junk!", 16));
  ASSERT_TRUE(Read());
  EXPECT_EQ(list, "OSVER:V2\r\n");
}

}  // namespace
}  // namespace orbo
