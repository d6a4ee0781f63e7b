// The discovery result: one text of entries "a.b.c.d;" in the order found,
// shared by the broadcast and the sweep threads.
#pragma once

#include <mutex>
#include <string>

namespace orbo {

class DiscoveryList {
 public:
  DiscoveryList() = default;
  explicit DiscoveryList(std::string text) : text_(std::move(text)) {}
  DiscoveryList(const DiscoveryList&) = delete;
  DiscoveryList& operator=(const DiscoveryList&) = delete;

  // Appends "address;" even when it is already listed (broadcast replies).
  void Append(const std::string& address);
  // Appends "address;" unless that whole entry is already listed; returns
  // true when it was appended. "10.0.0.1" is not present because
  // "10.0.0.10;" or "110.0.0.1;" is.
  bool AppendUnlessListed(const std::string& address);
  // The list text, for example "192.168.1.20;192.168.1.31;".
  std::string Text() const;

 private:
  bool ContainsEntry(const std::string& address) const;  // caller holds mutex_

  mutable std::mutex mutex_;  // guards text_
  std::string text_;
};

}  // namespace orbo
