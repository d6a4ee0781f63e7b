// Finding and naming the box: instance IDs, location names and the scan.
#include <gtest/gtest.h>

#include "link/hid_scan.h"
#include "link_fakes.h"
#include "platform/linux/hid_backends.h"

namespace orbo {
namespace {

using test::FakeHidBackend;

TEST(HidNames, InstanceIdFromWindowsDevicePath) {
  EXPECT_EQ(
      DeriveInstanceId(
          "\\\\?\\hid#vid_0525&pid_a4ad#7&1a2b&0&0000#{4d1e55b2-f16f-11cf-88cb-001111000030}"),
      "HID\\VID_0525&PID_A4AD\\7&1A2B&0&0000");
  EXPECT_EQ(DeriveInstanceId("/dev/hidraw3"), "/DEV/HIDRAW3");
}

TEST(HidNames, LocationFromParentIdTail) {
  EXPECT_EQ(LocationFromParentIdTail("6&2c1e&0&3"), "USB(3)HUB(6)");
  EXPECT_EQ(LocationFromParentIdTail("USB\\VID_0525&PID_A4AD\\5&1f&0&12"), "USB(12)HUB(5)");
  EXPECT_EQ(LocationFromParentIdTail("2&3"), "USB(3)HUB(2)");
  EXPECT_EQ(LocationFromParentIdTail("x&y"), "USB(0)HUB(0)");
  EXPECT_EQ(LocationFromParentIdTail("nothing"), "");
}

TEST(HidNames, LinuxInterfaceNameGivesHubAndPort) {
  EXPECT_EQ(UsbInterfaceNameToIdTail("1-2.3:1.0"), "2&3");
  EXPECT_EQ(UsbInterfaceNameToIdTail("3-4:1.0"), "3&4");
  EXPECT_EQ(UsbInterfaceNameToIdTail("1-1.4.2:1.1"), "4&2");
  EXPECT_EQ(LocationFromParentIdTail(UsbInterfaceNameToIdTail("1-2.3:1.0")), "USB(3)HUB(2)");
  EXPECT_EQ(UsbInterfaceNameToIdTail("usb1"), "");
  EXPECT_EQ(UsbInterfaceNameToIdTail("1-a.3:1.0"), "");
  EXPECT_EQ(UsbInterfaceNameToIdTail("0003:0525:A4AD.0001"), "");
}

TEST(HidScan, SkipsOtherDevicesAndKeepsTheLastBox) {
  FakeHidBackend hid;
  hid.AddOther("/dev/hidraw0", 0x046D, 0xC52B);
  hid.AddBox("/dev/hidraw1", "1&1");
  hid.AddOther("/dev/hidraw2", kBoxVendorId, 0x1234);
  hid.AddBox("/dev/hidraw3", "2&0&0&4");
  HidDeviceRecord record;
  EXPECT_TRUE(HidScan(hid, record));
  EXPECT_EQ(record.devicePath, "/dev/hidraw3");
  EXPECT_EQ(record.locationName, "USB(4)HUB(2)");
  EXPECT_EQ(hid.instance_ids, (std::vector<std::string>{"/DEV/HIDRAW1", "/DEV/HIDRAW3"}));
}

TEST(HidScan, BoxWithoutParentIsNotUsed) {
  FakeHidBackend hid;
  hid.AddBox("/dev/hidraw1", std::nullopt);
  hid.AddBox("/dev/hidraw2", "no-ampersand");
  HidDeviceRecord record;
  EXPECT_FALSE(HidScan(hid, record));
  EXPECT_TRUE(record.devicePath.empty());
}

TEST(HidScan, OpenRecordIsNotOverwritten) {
  FakeHidBackend hid;
  hid.AddBox("/dev/hidraw9", "1&1");
  HidDeviceRecord record;
  record.open = true;
  record.devicePath = "/dev/hidraw4";
  record.locationName = "USB(2)HUB(1)";
  EXPECT_TRUE(HidScan(hid, record));
  EXPECT_EQ(record.devicePath, "/dev/hidraw4");
  EXPECT_EQ(record.locationName, "USB(2)HUB(1)");
}

}  // namespace
}  // namespace orbo
