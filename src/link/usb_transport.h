// The box link over USB HID: the byte stream is cut into 1024-byte report
// payloads; every read consumes whole reports.
#pragma once

#include <atomic>
#include <memory>

#include "link/transport.h"
#include "platform/hid_device.h"

namespace orbo {

struct UsbTimeouts {
  int write_ms = 2000;      // wait for one report to go out
  int read_ms = 2000;       // usbReadTimeout after an ordinary write
  int long_read_ms = 4000;  // usbReadTimeout after a write whose bytes 1-2 are "ED"
  int purge_ms = 20;        // how long purge waits for a stale report
};

class UsbTransport : public Transport {
 public:
  // device must outlive the transport.
  // stop (may be null) is polled between reports: once true, reads and
  // writes end at the next report.
  explicit UsbTransport(HidDevice* device, UsbTimeouts timeouts = {},
                        const std::atomic<bool>* stop = nullptr)
      : device_(device), timeouts_(timeouts), read_timeout_ms_(timeouts.read_ms), stop_(stop) {}
  UsbTransport(const UsbTransport&) = delete;
  UsbTransport& operator=(const UsbTransport&) = delete;

  // Sends data in slices of up to 1024 bytes, one report each; a final short
  // slice keeps the previous slice's bytes after it as padding. False with
  // count -1 as soon as one report cannot be sent.
  bool Write(const void* data, size_t length, int64_t* count) override;
  // Takes one report per 1024 bytes wanted and copies min(remaining, 1024)
  // bytes of each; the rest of a report's payload is dropped. Stops at the
  // first report that does not come within usbReadTimeout. True when length
  // bytes were collected.
  bool Read(void* buffer, size_t length, int64_t* count) override;
  // Read in which each report is waited for at most wait_ms (never longer
  // than usbReadTimeout).
  bool ReadWithin(void* buffer, size_t length, int64_t* count, int wait_ms) override;
  // Drops reports until none comes within the purge wait (at most
  // kPurgeLimitReports), so the rest of an overlong reply cannot pass for
  // the next command's answer.
  void Purge() override;

  static constexpr int kPurgeLimitReports = 64;

  int read_timeout_ms() const { return read_timeout_ms_; }

 private:
  HidDevice* device_;
  UsbTimeouts timeouts_;
  int read_timeout_ms_;  // usbReadTimeout; worker thread only
  const std::atomic<bool>* stop_;

  bool Stopped() const { return stop_ != nullptr && stop_->load(); }
};

}  // namespace orbo
