#include "link/usb_transport.h"

#include <algorithm>
#include <cstring>

namespace orbo {

bool UsbTransport::Write(const void* data, size_t length, int64_t* count) {
  const auto* bytes = static_cast<const uint8_t*>(data);
  uint8_t report[kReportSize] = {};
  int64_t sent = 0;
  for (size_t offset = 0; offset < length; offset += kReportPayload) {
    const size_t slice = std::min(kReportPayload, length - offset);
    std::memcpy(report + 1, bytes + offset, slice);
    read_timeout_ms_ = timeouts_.read_ms;
    if (!device_ || Stopped() || !device_->WriteReport(report, timeouts_.write_ms)) {
      *count = -1;
      return false;
    }
    sent += static_cast<int64_t>(slice);
  }
  if (length >= 3 && bytes[1] == 'E' && bytes[2] == 'D') read_timeout_ms_ = timeouts_.long_read_ms;
  *count = sent;
  return sent == static_cast<int64_t>(length);
}

bool UsbTransport::Read(void* buffer, size_t length, int64_t* count) {
  return ReadWithin(buffer, length, count, read_timeout_ms_);
}

bool UsbTransport::ReadWithin(void* buffer, size_t length, int64_t* count, int wait_ms) {
  auto* out = static_cast<uint8_t*>(buffer);
  const int wait = std::clamp(wait_ms, 0, read_timeout_ms_);
  size_t got = 0;
  while (got < length && device_ && !Stopped()) {
    uint8_t report[kReportSize] = {};
    if (device_->ReadReport(report, wait) != 1) break;
    const size_t take = std::min(length - got, kReportPayload);
    std::memcpy(out + got, report + 1, take);
    got += take;
  }
  *count = static_cast<int64_t>(got);
  return got == length;
}

}  // namespace orbo

namespace orbo {

void UsbTransport::Purge() {
  for (int i = 0; i < kPurgeLimitReports && device_ && !Stopped(); ++i) {
    uint8_t report[kReportSize] = {};
    if (device_->ReadReport(report, timeouts_.purge_ms) != 1) return;
  }
}

}  // namespace orbo
