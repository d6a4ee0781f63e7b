// Doubles for the link's seams: a scripted byte transport and a HID device
// and backend that record reports and serve queued ones.
#pragma once

#include <cstring>
#include <deque>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "link/transport.h"
#include "platform/hid_device.h"

namespace orbo::test {

// Reads take queued chunks like receives on a stream: a chunk longer than
// the read keeps its rest for the next read; a queued nullopt is a failed
// read; an empty queue fails like a timeout.
class FakeTransport : public Transport {
 public:
  bool Write(const void* data, size_t length, int64_t* count) override {
    if (fail_writes) {
      *count = 0;
      return false;
    }
    writes.emplace_back(static_cast<const char*>(data), length);
    *count = static_cast<int64_t>(length);
    return true;
  }
  bool Read(void* buffer, size_t length, int64_t* count) override {
    ++reads;
    read_lengths.push_back(length);
    *count = 0;
    if (chunks.empty()) return false;
    if (!chunks.front()) {
      chunks.pop_front();
      return false;
    }
    std::string& chunk = *chunks.front();
    size_t n = std::min(length, chunk.size());
    std::memcpy(buffer, chunk.data(), n);
    chunk.erase(0, n);
    if (chunk.empty()) chunks.pop_front();
    *count = static_cast<int64_t>(n);
    return true;
  }
  void Purge() override { ++purges; }

  void Queue(std::string chunk) { chunks.emplace_back(std::move(chunk)); }
  void QueueFailure() { chunks.emplace_back(std::nullopt); }
  std::string Written() const {
    std::string all;
    for (const auto& w : writes) all += w;
    return all;
  }

  bool fail_writes = false;
  std::deque<std::optional<std::string>> chunks;
  std::vector<std::string> writes;
  std::vector<size_t> read_lengths;
  int reads = 0;
  int purges = 0;
};

class FakeHidDevice : public HidDevice {
 public:
  bool WriteReport(const uint8_t (&report)[kReportSize], int timeout_ms) override {
    write_timeouts.push_back(timeout_ms);
    if (fail_write_at >= 0 && static_cast<int>(written.size()) == fail_write_at) return false;
    written.emplace_back(reinterpret_cast<const char*>(report), kReportSize);
    if (!after_write.empty()) {
      incoming.push_back(std::move(after_write.front()));
      after_write.pop_front();
    }
    return true;
  }
  int ReadReport(uint8_t (&report)[kReportSize], int timeout_ms) override {
    read_timeouts.push_back(timeout_ms);
    std::memset(report, 0, kReportSize);
    if (incoming.empty()) return 0;
    std::string payload = std::move(incoming.front());
    incoming.pop_front();
    std::memcpy(report + 1, payload.data(), std::min(payload.size(), kReportPayload));
    return 1;
  }
  // Queues one report carrying payload.
  void QueueReport(std::string payload) { incoming.push_back(std::move(payload)); }

  int fail_write_at = -1;
  std::vector<std::string> written;  // whole 1025-byte reports
  std::deque<std::string> incoming;
  std::deque<std::string> after_write;  // one report comes in after each write
  std::vector<int> write_timeouts;
  std::vector<int> read_timeouts;
};

class FakeHidBackend : public HidBackend {
 public:
  struct Entry {
    HidInterfaceInfo info;
    std::optional<std::string> parent_tail;
  };
  std::vector<HidInterfaceInfo> Enumerate() override {
    ++enumerations;
    std::vector<HidInterfaceInfo> out;
    for (const Entry& e : entries) out.push_back(e.info);
    return out;
  }
  std::optional<std::string> ParentIdTail(const HidInterfaceInfo& info,
                                          const std::string& instance_id) override {
    instance_ids.push_back(instance_id);
    for (const Entry& e : entries) {
      if (e.info.path == info.path) return e.parent_tail;
    }
    return std::nullopt;
  }
  std::unique_ptr<HidDevice> Open(const std::string& path) override {
    opened.push_back(path);
    if (!open_succeeds) return nullptr;
    auto device = std::make_unique<FakeHidDevice>();
    last_device = device.get();
    for (auto& r : reports_for_next_open) device->after_write.push_back(r);
    reports_for_next_open.clear();
    return device;
  }

  void AddBox(std::string path, std::optional<std::string> tail) {
    entries.push_back({{std::move(path), kBoxVendorId, kBoxProductId}, std::move(tail)});
  }
  void AddOther(std::string path, uint16_t vid, uint16_t pid) {
    entries.push_back({{std::move(path), vid, pid}, std::string("1&2")});
  }

  std::vector<Entry> entries;
  std::vector<std::string> instance_ids;
  std::vector<std::string> opened;
  std::vector<std::string> reports_for_next_open;  // the answers to its first writes
  bool open_succeeds = true;
  FakeHidDevice* last_device = nullptr;
  int enumerations = 0;
};

}  // namespace orbo::test
