// A PageView that keeps every script and navigation, for assertions.
#pragma once

#include <atomic>
#include <mutex>
#include <string>
#include <vector>

#include "bridge/page.h"

namespace orbo::test {

class RecordingView : public PageView {
 public:
  void Evaluate(const std::string& script) override {
    std::lock_guard<std::mutex> lock(mutex_);
    scripts_.push_back(script);
  }
  void Navigate(const std::string& url) override {
    std::lock_guard<std::mutex> lock(mutex_);
    navigations_.push_back(url);
  }
  bool IsReady() const override { return ready_; }
  void set_ready(bool ready) { ready_ = ready; }

  std::vector<std::string> scripts() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return scripts_;
  }
  std::vector<std::string> navigations() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return navigations_;
  }
  void Clear() {
    std::lock_guard<std::mutex> lock(mutex_);
    scripts_.clear();
    navigations_.clear();
  }

 private:
  mutable std::mutex mutex_;  // guards scripts_ and navigations_
  std::vector<std::string> scripts_;
  std::vector<std::string> navigations_;
  std::atomic<bool> ready_{true};
};

}  // namespace orbo::test
