// Runs a stop call on a thread of its own and fails the test when it has not
// returned within a generous bound. Callers make the pause being stopped far
// longer than the bound (an hour), so only a stop that wakes it can pass.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <future>
#include <thread>

namespace orbo::test {

inline constexpr int64_t kPauseNobodySitsOut = 3600 * 1000;

inline void ExpectStopsWithin(const std::function<void()>& stop,
                              std::chrono::seconds bound = std::chrono::seconds(60)) {
  std::promise<void> done;
  std::future<void> returned = done.get_future();
  std::thread stopper([&] {
    stop();
    done.set_value();
  });
  if (returned.wait_for(bound) != std::future_status::ready) {
    // The stopper would block for the rest of the pause; end the test
    // program now rather than sit it out.
    std::fprintf(stderr, "stop did not return within %lld s: the pause was not woken\n",
                 static_cast<long long>(bound.count()));
    std::_Exit(1);
  }
  stopper.join();
}

}  // namespace orbo::test
