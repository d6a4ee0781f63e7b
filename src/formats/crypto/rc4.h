// RC4 keystream XOR, used to decrypt the shipped firmware images.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace orbo {

// Block size of Rc4CryptBlocks: the keystream restarts at every block.
inline constexpr size_t kRc4BlockSize = 1024;

// XORs length bytes of data in place with an RC4 keystream set up afresh from
// key (the same call encrypts and decrypts). 0; -1 when key is empty or data
// is missing while length is not 0.
int Rc4Xor(std::string_view key, uint8_t* data, size_t length);

// Like Rc4Xor, but the buffer is taken as blocks of 1024 bytes (the last one
// may be shorter) and the RC4 state restarts for every block, so equal plain
// blocks give equal cipher blocks. A caller working through a file piece by
// piece must start every piece at a multiple of 1024 bytes. Results as
// Rc4Xor.
int Rc4CryptBlocks(std::string_view key, uint8_t* data, size_t length);

}  // namespace orbo
