#include "link/hid_scan.h"

#include <cstdlib>

#include "base/logger.h"
#include "base/utf.h"

namespace orbo {
namespace {

constexpr size_t kMaxNameChars = 260;

// Leading decimal digits of text as a number (0 when there are none).
int LeadingNumber(std::string_view text) {
  int value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') break;
    if (value < 100000000) value = value * 10 + (c - '0');
  }
  return value;
}

}  // namespace

std::string DeriveInstanceId(std::string_view path) {
  size_t hash = path.rfind('#');
  if (hash != std::string_view::npos) path = path.substr(0, hash);
  size_t q = path.rfind('?');
  if (q != std::string_view::npos) {
    path = path.substr(q + 1);
    if (!path.empty() && path.front() == '\\') path.remove_prefix(1);
  }
  std::string id;
  id.reserve(path.size());
  for (char c : path) {
    if (c == '#') c = '\\';
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    id.push_back(c);
  }
  return id;
}

std::string LocationFromParentIdTail(std::string_view tail) {
  size_t slash = tail.rfind('\\');
  if (slash != std::string_view::npos) tail.remove_prefix(slash + 1);
  size_t first = tail.find('&');
  if (first == std::string_view::npos) return {};
  size_t last = tail.rfind('&');
  int hub = LeadingNumber(tail.substr(0, first));
  int port = LeadingNumber(tail.substr(last + 1));
  return "USB(" + std::to_string(port) + ")HUB(" + std::to_string(hub) + ")";
}

bool HidScan(HidBackend& backend, HidDeviceRecord& record) {
  bool found = false;
  for (const HidInterfaceInfo& info : backend.Enumerate()) {
    ORBO_LOG_DEBUG("VID:%0X, PID:%0X\r\n", info.vendor_id, info.product_id);
    if (info.vendor_id != kBoxVendorId || info.product_id != kBoxProductId) continue;
    ORBO_LOG_DEBUG("find device!\r\n");
    const std::string instance_id = DeriveInstanceId(info.path);
    std::optional<std::string> tail = backend.ParentIdTail(info, instance_id);
    if (!tail) continue;
    ORBO_LOG_DEBUG("begin GetLocalPath!\r\n");
    std::string location = LocationFromParentIdTail(*tail);
    if (location.empty()) continue;
    if (!record.open) {
      record.locationName = Utf8Truncate(location, kMaxNameChars);
      record.devicePath = info.path;  // kept whole: a cut path would open nothing
    }
    ORBO_LOG_DEBUG("DeviceName : %s \r\n", location.c_str());
    found = true;
  }
  return found;
}

}  // namespace orbo
