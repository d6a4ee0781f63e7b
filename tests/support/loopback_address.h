// Loopback addresses of a test's own, so that simulators and listeners on
// the box's fixed ports (TCP 8769, UDP 8767) never meet those of tests
// running in parallel.
#pragma once

#include <functional>
#include <string>

namespace orbo::test {

// 127.b.c.d with b.c from the pid and d from a counter: no two calls of one
// process give the same address. b stays within 130..229, apart from the
// networks other tests and benchmarks pick from (127.77, 127.88, 127.230
// and up). Another process may still hold it; listeners use
// PickLoopbackAddress, which moves on.
std::string UniqueLoopbackAddress();

// Calls use with fresh UniqueLoopbackAddress() values until it returns true
// (the address was free and is now in use), at most attempts times. Returns
// the address use took, or "" when every attempt failed.
std::string PickLoopbackAddress(const std::function<bool(const std::string&)>& use,
                                int attempts = 8);

}  // namespace orbo::test
