// Work that must run on the UI thread. Post never waits; PostAndWait blocks
// the caller until the task has run (the blocking window messages).
#pragma once

#include <functional>

namespace orbo {

class UiThread {
 public:
  virtual ~UiThread() = default;
  virtual void Post(std::function<void()> task) = 0;
  virtual void PostAndWait(std::function<void()> task) = 0;
  virtual bool IsCurrent() const = 0;
};

}  // namespace orbo
