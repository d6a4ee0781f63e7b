#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "formats/crypto/rc4.h"
#include "hex.h"

namespace orbo {
namespace {

using test::ToHex;

std::vector<uint8_t> Bytes(size_t size, uint8_t seed) {
  std::vector<uint8_t> bytes(size);
  for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<uint8_t>(seed + i * 13 + i / 256);
  return bytes;
}

TEST(Rc4XorTest, PublishedKeystreamAndRoundTrip) {
  // RFC 6229, 40-bit key 0x0102030405: keystream bytes 0 to 31.
  std::vector<uint8_t> zeros(32, 0);
  ASSERT_EQ(Rc4Xor("\x01\x02\x03\x04\x05", zeros.data(), zeros.size()), 0);
  EXPECT_EQ(ToHex(zeros.data(), zeros.size()),
            "b2396305f03dc027ccc3524a0a1118a86982944f18fc82d589c403a47a0d0919");

  const auto plain = Bytes(3000, 7);
  auto data = plain;
  ASSERT_EQ(Rc4Xor("secret", data.data(), data.size()), 0);
  EXPECT_NE(data, plain);
  ASSERT_EQ(Rc4Xor("secret", data.data(), data.size()), 0);
  EXPECT_EQ(data, plain);
}

TEST(Rc4XorTest, RefusesEmptyKeyAndMissingData) {
  uint8_t byte = 0x42;
  EXPECT_EQ(Rc4Xor("", &byte, 1), -1);
  EXPECT_EQ(byte, 0x42);
  EXPECT_EQ(Rc4Xor("k", nullptr, 1), -1);
  EXPECT_EQ(Rc4Xor("k", nullptr, 0), 0);
  EXPECT_EQ(Rc4CryptBlocks("", &byte, 1), -1);
  EXPECT_EQ(Rc4CryptBlocks("k", nullptr, 1), -1);
  EXPECT_EQ(Rc4CryptBlocks("k", nullptr, 0), 0);
}

TEST(Rc4CryptBlocksTest, KeystreamRestartsAtEveryBlock) {
  // Two equal 1024-byte blocks, then a short tail.
  auto plain = Bytes(2 * kRc4BlockSize, 1);
  std::copy(plain.begin(), plain.begin() + kRc4BlockSize, plain.begin() + kRc4BlockSize);
  const auto tail = Bytes(300, 99);
  plain.insert(plain.end(), tail.begin(), tail.end());

  auto data = plain;
  ASSERT_EQ(Rc4CryptBlocks("5551234", data.data(), data.size()), 0);
  EXPECT_TRUE(std::equal(data.begin(), data.begin() + kRc4BlockSize, data.begin() + kRc4BlockSize));
  // Each block is what a fresh RC4 stream makes of that block alone.
  for (size_t offset = 0; offset < plain.size(); offset += kRc4BlockSize) {
    const size_t n = std::min(kRc4BlockSize, plain.size() - offset);
    std::vector<uint8_t> block(plain.begin() + offset, plain.begin() + offset + n);
    ASSERT_EQ(Rc4Xor("5551234", block.data(), block.size()), 0);
    EXPECT_TRUE(std::equal(block.begin(), block.end(), data.begin() + offset)) << offset;
  }

  ASSERT_EQ(Rc4CryptBlocks("5551234", data.data(), data.size()), 0);
  EXPECT_EQ(data, plain);
}

}  // namespace
}  // namespace orbo
