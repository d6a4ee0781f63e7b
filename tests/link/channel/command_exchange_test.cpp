// The command exchange's reply rules, the reply buffer's bounds and the
// connect-mode choice.
#include <gtest/gtest.h>

#include <cstring>

#include "link/box_link.h"
#include "link/usb_transport.h"
#include "link_fakes.h"
#include "support/fake_sleeper.h"

namespace orbo {
namespace {

using test::FakeHidBackend;
using test::FakeSleeper;
using test::FakeTransport;

struct Exchange {
  FakeTransport transport;
  FakeSleeper sleeper;
  BoxLinkOptions options;
  ReplyBuffer reply;
  bool Send(std::string_view command, bool with_reply = true) {
    return ExchangeCommand(transport, sleeper, options, command, with_reply ? &reply : nullptr);
  }
};

TEST(CommandExchange, ReplyJudgedByExactText) {
  struct Case {
    const char* reply;
    bool expected;
  } cases[] = {{"ERROR\r", false}, {"ERROR\r\n", true}, {"ERROR", true}, {"Mode=2", true}};
  for (const Case& c : cases) {
    Exchange x;
    x.transport.Queue(c.reply);
    EXPECT_EQ(x.Send("GetBoxMode\r\n"), c.expected) << c.reply;
    EXPECT_EQ(x.reply.Text(), c.reply);
    EXPECT_EQ(x.transport.Written(), "GetBoxMode\r\n");
  }
}

TEST(CommandExchange, WaitsUpToFiveReadsForTheFirstByte) {
  Exchange late;
  late.transport.Queue("");  // an empty receive: byte 0 stays zero
  late.transport.QueueFailure();
  late.transport.Queue("OP-X70");
  EXPECT_TRUE(late.Send("GetHMIType\r"));
  EXPECT_EQ(late.transport.reads, 4);  // three for the first byte, one for the rest
  EXPECT_EQ(late.reply.Text(), "OP-X70");
  for (int i = 0; i < 3; ++i) EXPECT_EQ(late.transport.read_lengths[i], kReplySize);

  Exchange silent;
  EXPECT_FALSE(silent.Send("GetHMIType\r"));
  EXPECT_EQ(silent.transport.reads, 5);
}

TEST(CommandExchange, PurgesAndPausesAroundEachCommand) {
  Exchange x;
  x.transport.Queue("OK\r");
  EXPECT_TRUE(x.Send("SetTime 2024-03-05 07:08:09\r"));
  EXPECT_EQ(x.transport.purges, 2);
  EXPECT_EQ(x.sleeper.pauses(), std::vector<int64_t>{300});
}

TEST(CommandExchange, WithoutReplyBufferTrueOnceWritten) {
  Exchange x;
  EXPECT_TRUE(x.Send("Light\r", false));
  EXPECT_EQ(x.transport.reads, 0);
  EXPECT_EQ(x.sleeper.pauses(), std::vector<int64_t>{300});
}

TEST(CommandExchange, FailedWriteReturnsAtOnce) {
  Exchange x;
  x.transport.fail_writes = true;
  EXPECT_FALSE(x.Send("GetRmtSN\r\n"));
  EXPECT_EQ(x.transport.reads, 0);
  EXPECT_EQ(x.transport.purges, 1);
  EXPECT_TRUE(x.sleeper.pauses().empty());
}

TEST(ReplyBuffer, FullReplyHasNoTerminatorAndStaysInBounds) {
  Exchange x;
  x.transport.Queue(std::string(1500, 'v'));
  EXPECT_TRUE(x.Send("GetAllVersion\r"));
  EXPECT_EQ(x.reply.Text().size(), kReplySize);
  EXPECT_TRUE(x.reply.StartsWith("vvv"));
  EXPECT_FALSE(x.reply.StartsWith(std::string(2000, 'v')));
  x.reply.Clear();
  EXPECT_TRUE(x.reply.Text().empty());
}

TEST(BuildLink, OnlyTheTwoKnownModesConnect) {
  FakeHidBackend hid;
  FakeSleeper sleeper;
  BoxLink link(&hid, sleeper);
  EXPECT_FALSE(BuildLink(link, "Bluetooth", "127.0.0.1", kBoxPort));
  EXPECT_FALSE(BuildLink(link, "", "127.0.0.1", kBoxPort));
  EXPECT_EQ(hid.enumerations, 0);
  // An empty address fails without a socket; nothing to send on afterwards.
  EXPECT_FALSE(BuildLink(link, "LocalNetwork", "", kBoxPort));
  EXPECT_FALSE(BuildLink(link, "LocalNetwork", "not.an.address", kBoxPort));
  EXPECT_FALSE(link.SendCommand("GetHMIType\r", nullptr));
  EXPECT_EQ(hid.enumerations, 0);
}

TEST(BuildLink, UsbModeScansOpensAndCarriesCommands) {
  FakeHidBackend hid;
  FakeSleeper sleeper;
  BoxLink link(&hid, sleeper);
  EXPECT_FALSE(BuildLink(link, "USB:Download", "", kBoxPort));  // no box present
  EXPECT_FALSE(link.record().open);

  hid.AddBox("/dev/hidraw7", "4&1");
  hid.reports_for_next_open = {"Mode=3"};
  ASSERT_TRUE(BuildLink(link, "USB:Download", "", kBoxPort));
  EXPECT_TRUE(link.record().open);
  EXPECT_EQ(link.record().locationName, "USB(1)HUB(4)");
  EXPECT_EQ(link.record().devicePath, "/dev/hidraw7");
  ReplyBuffer reply;
  EXPECT_TRUE(link.SendCommand("GetBoxMode\r\n", &reply));
  EXPECT_EQ(reply.Text(), "Mode=3");
  ASSERT_EQ(hid.last_device->written.size(), 1u);
  EXPECT_EQ(hid.last_device->written[0].substr(0, 13), std::string("\0GetBoxMode\r\n", 13));

  // Every build starts from a closed record and scans again.
  hid.open_succeeds = false;
  EXPECT_FALSE(BuildLink(link, "USB:Download", "", kBoxPort));
  EXPECT_FALSE(link.record().open);
  EXPECT_EQ(hid.enumerations, 3);
}

}  // namespace
}  // namespace orbo
