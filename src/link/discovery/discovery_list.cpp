#include "link/discovery/discovery_list.h"

namespace orbo {

void DiscoveryList::Append(const std::string& address) {
  std::lock_guard<std::mutex> lock(mutex_);
  text_ += address;
  text_ += ';';
}

bool DiscoveryList::AppendUnlessListed(const std::string& address) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (ContainsEntry(address)) return false;
  text_ += address;
  text_ += ';';
  return true;
}

std::string DiscoveryList::Text() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return text_;
}

bool DiscoveryList::ContainsEntry(const std::string& address) const {
  // Entries are separated by ';', so compare each whole entry.
  size_t start = 0;
  while (start < text_.size()) {
    size_t end = text_.find(';', start);
    if (end == std::string::npos) end = text_.size();
    if (text_.compare(start, end - start, address) == 0) return true;
    start = end + 1;
  }
  return false;
}

}  // namespace orbo
