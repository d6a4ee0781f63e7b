// Timing and the operation set of the box worker (MainFrameCore runs it).
#pragma once

#include <cstdint>

namespace orbo {

inline constexpr int64_t kWorkerStartDelayMs = 3000;
inline constexpr int64_t kWorkerCycleMs = 200;

// True for the queued codes the worker runs an operation for: 1, 2, 3, 4, 5,
// 13, 14, 15, 16 and 18. Every other code is dropped after the page has
// been disabled.
bool IsWorkerOperation(int code);

}  // namespace orbo
