// How the byte stream maps onto 1025-byte reports.
#include <gtest/gtest.h>

#include "link/usb_transport.h"
#include "link_fakes.h"

namespace orbo {
namespace {

using test::FakeHidDevice;

std::string Pattern(size_t n) {
  std::string s(n, '\0');
  for (size_t i = 0; i < n; ++i) s[i] = static_cast<char>('a' + i % 26);
  return s;
}

TEST(UsbTransport, WriteSlicesIntoReportsWithIdZero) {
  FakeHidDevice dev;
  UsbTransport usb(&dev);
  const std::string data = Pattern(2500);
  int64_t count = 0;
  ASSERT_TRUE(usb.Write(data.data(), data.size(), &count));
  EXPECT_EQ(count, 2500);
  ASSERT_EQ(dev.written.size(), 3u);
  for (const std::string& r : dev.written) {
    EXPECT_EQ(r.size(), kReportSize);
    EXPECT_EQ(r[0], '\0');
  }
  EXPECT_EQ(dev.written[0].substr(1), data.substr(0, 1024));
  EXPECT_EQ(dev.written[1].substr(1), data.substr(1024, 1024));
  // The last slice carries 452 bytes; the rest is the previous slice's tail.
  EXPECT_EQ(dev.written[2].substr(1, 452), data.substr(2048, 452));
  EXPECT_EQ(dev.written[2].substr(453), data.substr(1024 + 452, 1024 - 452));
  for (int t : dev.write_timeouts) EXPECT_EQ(t, 2000);
}

TEST(UsbTransport, ShortWriteIsZeroPadded) {
  FakeHidDevice dev;
  UsbTransport usb(&dev);
  int64_t count = 0;
  ASSERT_TRUE(usb.Write("Light\r", 6, &count));
  ASSERT_EQ(dev.written.size(), 1u);
  EXPECT_EQ(dev.written[0], std::string(1, '\0') + "Light\r" + std::string(1018, '\0'));
}

TEST(UsbTransport, FailedReportFailsTheWholeWrite) {
  FakeHidDevice dev;
  dev.fail_write_at = 1;
  UsbTransport usb(&dev);
  const std::string data = Pattern(3000);
  int64_t count = 0;
  EXPECT_FALSE(usb.Write(data.data(), data.size(), &count));
  EXPECT_EQ(count, -1);
  EXPECT_EQ(dev.written.size(), 1u);
}

TEST(UsbTransport, ReadConsumesWholeReports) {
  FakeHidDevice dev;
  dev.QueueReport("OK\rextra bytes that are dropped");
  dev.QueueReport("okok!\r");
  UsbTransport usb(&dev);
  char buf[8] = {};
  int64_t count = 0;
  ASSERT_TRUE(usb.Read(buf, 3, &count));
  EXPECT_EQ(count, 3);
  EXPECT_EQ(std::string(buf, 3), "OK\r");
  ASSERT_TRUE(usb.Read(buf, 6, &count));  // the next report, not the dropped rest
  EXPECT_EQ(std::string(buf, 6), "okok!\r");
}

TEST(UsbTransport, LongReadTakesOneReportPer1024Bytes) {
  FakeHidDevice dev;
  const std::string data = Pattern(2500);
  dev.QueueReport(data.substr(0, 1024));
  dev.QueueReport(data.substr(1024, 1024));
  dev.QueueReport(data.substr(2048) + "padding");
  UsbTransport usb(&dev);
  std::string buf(2500, '\0');
  int64_t count = 0;
  ASSERT_TRUE(usb.Read(buf.data(), buf.size(), &count));
  EXPECT_EQ(buf, data);
  EXPECT_TRUE(dev.incoming.empty());
}

TEST(UsbTransport, TimeoutEndsReadWithWhatCame) {
  FakeHidDevice dev;
  dev.QueueReport(std::string(1024, 'x'));
  UsbTransport usb(&dev);
  std::string buf(4096, '\0');
  int64_t count = 0;
  EXPECT_FALSE(usb.Read(buf.data(), buf.size(), &count));
  EXPECT_EQ(count, 1024);
  EXPECT_EQ(dev.read_timeouts, (std::vector<int>{2000, 2000}));
}

TEST(UsbTransport, EdWriteDoublesTheReadTimeout) {
  FakeHidDevice dev;
  UsbTransport usb(&dev);
  int64_t count = 0;
  usb.Write("xED...\r", 7, &count);
  EXPECT_EQ(usb.read_timeout_ms(), 4000);
  char buf[4];
  usb.Read(buf, 3, &count);
  EXPECT_EQ(dev.read_timeouts.back(), 4000);
  usb.Write("GetHMIType\r", 11, &count);
  EXPECT_EQ(usb.read_timeout_ms(), 2000);
}

}  // namespace
}  // namespace orbo
