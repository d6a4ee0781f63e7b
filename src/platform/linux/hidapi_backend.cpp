// The real box through hidapi's hidraw backend. hidraw has no write timeout:
// a write returns when the kernel has queued the report.
#include <hidapi/hidapi.h>
#include <limits.h>
#include <stdlib.h>

#include <cstring>
#include <filesystem>
#include <mutex>

#include "platform/linux/hid_backends.h"

namespace orbo {
namespace {

bool InitHidapi() {
  static std::once_flag once;
  static bool ok = false;
  std::call_once(once, [] { ok = hid_init() == 0; });
  return ok;
}

class HidapiDevice : public HidDevice {
 public:
  explicit HidapiDevice(hid_device* dev) : dev_(dev) {}
  ~HidapiDevice() override { hid_close(dev_); }
  HidapiDevice(const HidapiDevice&) = delete;
  HidapiDevice& operator=(const HidapiDevice&) = delete;

  bool WriteReport(const uint8_t (&report)[kReportSize], int /*timeout_ms*/) override {
    return hid_write(dev_, report, kReportSize) == static_cast<int>(kReportSize);
  }

  int ReadReport(uint8_t (&report)[kReportSize], int timeout_ms) override {
    std::memset(report, 0, kReportSize);
    // The box uses unnumbered reports: hidraw delivers them without the ID.
    int n = hid_read_timeout(dev_, report + 1, kReportPayload, timeout_ms);
    if (n < 0) return -1;
    return n > 0 ? 1 : 0;
  }

 private:
  hid_device* dev_;
};

class HidapiBackend : public HidBackend {
 public:
  std::vector<HidInterfaceInfo> Enumerate() override {
    std::vector<HidInterfaceInfo> out;
    if (!InitHidapi()) return out;
    hid_device_info* list = hid_enumerate(0, 0);
    for (hid_device_info* d = list; d; d = d->next) {
      if (!d->path) continue;
      out.push_back({d->path, d->vendor_id, d->product_id});
    }
    hid_free_enumeration(list);
    return out;
  }

  // /dev/hidrawN → /sys/class/hidraw/hidrawN/device is the HID device, whose
  // parent folder is the USB interface ("1-2.3:1.0").
  std::optional<std::string> ParentIdTail(const HidInterfaceInfo& info,
                                          const std::string& /*instance_id*/) override {
    std::filesystem::path node(info.path);
    std::filesystem::path link =
        std::filesystem::path("/sys/class/hidraw") / node.filename() / "device";
    char resolved[PATH_MAX];
    if (!::realpath(link.c_str(), resolved)) return std::nullopt;
    std::string tail =
        UsbInterfaceNameToIdTail(std::filesystem::path(resolved).parent_path().filename().string());
    if (tail.empty()) return std::nullopt;
    return tail;
  }

  std::unique_ptr<HidDevice> Open(const std::string& path) override {
    if (!InitHidapi()) return nullptr;
    hid_device* dev = hid_open_path(path.c_str());
    if (!dev) return nullptr;
    return std::make_unique<HidapiDevice>(dev);
  }
};

}  // namespace

std::unique_ptr<HidBackend> MakeHidapiBackend() {
  return std::make_unique<HidapiBackend>();
}

std::unique_ptr<HidBackend> MakeHidBackend(const std::string& sim_socket_path) {
  if (!sim_socket_path.empty()) return MakeSeqpacketBackend(sim_socket_path);
  return MakeHidapiBackend();
}

}  // namespace orbo
