#include "desktop/browser_list.h"

#include <filesystem>
#include <system_error>

namespace orbo {

bool BrowserList::AddBrowser(const std::string& name, const std::string& path) {
  std::lock_guard<std::mutex> lock(mutex_);
  for (const BrowserEntry& e : entries_) {
    if (e.name == name) return false;
  }
  std::error_code ec;
  if (!path.empty() && std::filesystem::is_regular_file(path, ec)) {
    entries_.push_back(BrowserEntry{name, path});
  }
  return true;
}

void BrowserList::Append(const std::string& name, const std::string& path) {
  std::lock_guard<std::mutex> lock(mutex_);
  entries_.push_back(BrowserEntry{name, path});
}

bool BrowserList::SelectBrowser(const std::string& name) {
  std::lock_guard<std::mutex> lock(mutex_);
  for (const BrowserEntry& e : entries_) {
    if (e.name == name) {
      selected_path_ = e.path;
      return true;
    }
  }
  return false;
}

std::string BrowserList::PickName(const std::string& name) {
  SetSelectedName(name);
  SelectBrowser(name);
  return name;
}

std::string BrowserList::PickExecutable(const std::string& path) {
  std::lock_guard<std::mutex> lock(mutex_);
  for (const BrowserEntry& e : entries_) {
    if (e.path == path) {
      selected_name_ = e.name;
      selected_path_ = e.path;
      return e.name;
    }
  }
  const std::string name = std::filesystem::path(path).filename().string();
  entries_.push_back(BrowserEntry{name, path});
  selected_name_ = name;
  selected_path_ = path;
  return name;
}

std::vector<BrowserEntry> BrowserList::entries() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return entries_;
}

std::string BrowserList::selectedName() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return selected_name_;
}

std::string BrowserList::selectedPath() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return selected_path_;
}

void BrowserList::SetSelected(const std::string& name, const std::string& path) {
  std::lock_guard<std::mutex> lock(mutex_);
  selected_name_ = name;
  selected_path_ = path;
}

void BrowserList::SetSelectedName(const std::string& name) {
  std::lock_guard<std::mutex> lock(mutex_);
  selected_name_ = name;
}

}  // namespace orbo
