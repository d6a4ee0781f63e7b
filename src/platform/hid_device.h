// The box's USB function as the link sees it: a HID device that moves fixed
// 1025-byte reports (byte 0 the report ID, always 0; bytes 1..1024 payload).
// Backends: hidapi for a real box, a SOCK_SEQPACKET socket to the simulator.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace orbo {

inline constexpr size_t kReportSize = 1025;
inline constexpr size_t kReportPayload = 1024;
inline constexpr uint16_t kBoxVendorId = 0x0525;
inline constexpr uint16_t kBoxProductId = 0xA4AD;

// One open device. A read or write that timed out leaves nothing pending
// that a later call could confuse with its own report.
class HidDevice {
 public:
  virtual ~HidDevice() = default;
  // Sends one whole report. False when it cannot be sent within timeout_ms.
  virtual bool WriteReport(const uint8_t (&report)[kReportSize], int timeout_ms) = 0;
  // Waits up to timeout_ms for one input report and stores it with its report
  // ID in byte 0 (a short report is zero-padded). 1 when a report came, 0 on
  // timeout, -1 when the device failed or went away.
  virtual int ReadReport(uint8_t (&report)[kReportSize], int timeout_ms) = 0;
};

struct HidInterfaceInfo {
  std::string path;  // what Open takes
  uint16_t vendor_id = 0;
  uint16_t product_id = 0;
};

// Enumeration and opening of HID devices.
class HidBackend {
 public:
  virtual ~HidBackend() = default;
  // Every present HID interface, in enumeration order.
  virtual std::vector<HidInterfaceInfo> Enumerate() = 0;
  // The last component of the device ID of the interface's parent USB
  // device: "<hub>&...&<port>" (the text before the first '&' is the hub
  // number, after the last '&' the port number). instance_id is the
  // interface's instance ID as derived from its path. Empty when the parent
  // cannot be found.
  virtual std::optional<std::string> ParentIdTail(const HidInterfaceInfo& info,
                                                  const std::string& instance_id) = 0;
  // Opens the device for reading and writing; null when it cannot be opened.
  virtual std::unique_ptr<HidDevice> Open(const std::string& path) = 0;
};

}  // namespace orbo
