// Writing a whole buffer to a file descriptor.
#pragma once

#include <cstdint>

namespace orbo {

// Writes length bytes of data to fd in pieces of at most 65536 bytes, in
// order; each piece must be stored whole (an interrupted write that stored
// nothing is repeated). Returns length on success; -1 for missing data, a
// length of 0 or less, or a negative descriptor; -2 when a write fails or
// stores fewer bytes than asked (what was stored before stays written).
int64_t WriteAll(const void* data, int64_t length, int fd);

}  // namespace orbo
