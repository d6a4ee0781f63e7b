// A box link transport that plays box replies taken from fuzz input.
// The script is split at U+001E into replies: each write releases the next
// reply into the receive stream; U+001F inside a reply ends one read there
// (so a reply can arrive in pieces); a purge drops what is waiting; a read
// with nothing waiting fails with no bytes, as a silent box's read does.
#pragma once

#include <algorithm>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_support.h"
#include "link/transport.h"

namespace orbo::fuzz {

inline constexpr char kReplySeparator = '\x1e';
inline constexpr char kReadBoundary = '\x1f';

class ScriptedTransport : public Transport {
 public:
  explicit ScriptedTransport(std::string_view script) : replies_(Split(script, kReplySeparator)) {}

  bool Write(const void* data, size_t length, int64_t* count) override {
    FUZZ_CHECK(data != nullptr || length == 0);
    written_.append(static_cast<const char*>(data), std::min<size_t>(length, 4096));
    if (next_ < replies_.size()) waiting_.append(replies_[next_++]);
    *count = static_cast<int64_t>(length);
    return true;
  }

  bool Read(void* buffer, size_t length, int64_t* count) override {
    *count = 0;
    if (!waiting_.empty() && waiting_[0] == kReadBoundary) waiting_.erase(0, 1);
    if (waiting_.empty() || length == 0) return false;
    const size_t boundary = std::min(waiting_.find(kReadBoundary), waiting_.size());
    const size_t n = std::min(length, boundary);
    std::memcpy(buffer, waiting_.data(), n);
    received_.emplace_back(waiting_, 0, n);
    waiting_.erase(0, n);
    *count = static_cast<int64_t>(n);
    return true;
  }

  void Purge() override { waiting_.clear(); }

  // The first 4 KiB of every write, for checks on what was sent.
  const std::string& written() const { return written_; }
  // The bytes of every read, in order.
  const std::vector<std::string>& received() const { return received_; }

 private:
  std::vector<std::string_view> replies_;
  size_t next_ = 0;
  std::string waiting_;
  std::string written_;
  std::vector<std::string> received_;
};

}  // namespace orbo::fuzz
