// Finding the box among the PC's HID devices (vendor 0x0525, product
// 0xA4AD) and naming its place as "USB(<port>)HUB(<hub>)".
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/hid_device.h"

namespace orbo {

// What the scan fills. Owned by BoxLink together with the open device.
struct HidDeviceRecord {
  std::string locationName;           // "USB(%d)HUB(%d)", at most 260 characters
  std::string devicePath;             // the backend's path, kept whole
  std::unique_ptr<HidDevice> device;  // set while the record is open
  bool open = false;
};

// The instance ID of a HID interface from its device path in the Windows
// form: the path is cut at its last '#', the text after the last '?' and the
// '\' that follows it is taken, '#' becomes '\' and ASCII letters are upper
// cased. "\\?\hid#vid_0525&pid_a4ad#7&1a2b&0&0000#{guid}" gives
// "HID\VID_0525&PID_A4AD\7&1A2B&0&0000". Other paths give their text with
// the same replacements applied.
std::string DeriveInstanceId(std::string_view device_path);

// The location name from the last component of the parent's device ID: the
// leading digits before the first '&' are the hub number, those after the
// last '&' the port number. "6&2c1e&0&3" gives "USB(3)HUB(6)". Empty when
// the text holds no '&'.
std::string LocationFromParentIdTail(std::string_view tail);

// Walks every HID interface of backend; for each box found, names it and,
// while the record is closed, stores its location name and path (the last
// box found wins). Diagnostics go to the debug log. True when at least one
// box was found and named.
bool HidScan(HidBackend& backend, HidDeviceRecord& record);

}  // namespace orbo
