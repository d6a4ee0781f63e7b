#include "base/base64.h"

#include <array>
#include <cstdint>

namespace orbo {
namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

constexpr std::array<int8_t, 256> MakeReverse() {
  std::array<int8_t, 256> r{};
  for (auto& v : r) v = -1;
  for (int i = 0; i < 64; ++i) r[static_cast<uint8_t>(kAlphabet[i])] = static_cast<int8_t>(i);
  return r;
}
constexpr auto kReverse = MakeReverse();

}  // namespace

std::string Base64Decode(std::string_view text) {
  std::string out;
  out.reserve(text.size() / 4 * 3 + 3);
  uint32_t acc = 0;
  int have = 0;
  for (char ch : text) {
    int v = kReverse[static_cast<uint8_t>(ch)];
    if (v < 0) break;  // "=" and every other outsider end the run
    acc = (acc << 6) | static_cast<uint32_t>(v);
    if (++have == 4) {
      out.push_back(static_cast<char>((acc >> 16) & 0xFF));
      out.push_back(static_cast<char>((acc >> 8) & 0xFF));
      out.push_back(static_cast<char>(acc & 0xFF));
      acc = 0;
      have = 0;
    }
  }
  if (have == 2) {
    out.push_back(static_cast<char>((acc >> 4) & 0xFF));
  } else if (have == 3) {
    out.push_back(static_cast<char>((acc >> 10) & 0xFF));
    out.push_back(static_cast<char>((acc >> 2) & 0xFF));
  }
  return out;
}

size_t Base64RunLength(std::string_view text) {
  size_t n = 0;
  while (n < text.size() && kReverse[static_cast<uint8_t>(text[n])] >= 0) ++n;
  return n;
}

std::string Base64Encode(std::string_view bytes) {
  std::string out;
  out.reserve((bytes.size() + 2) / 3 * 4);
  size_t i = 0;
  for (; i + 3 <= bytes.size(); i += 3) {
    uint32_t v = (static_cast<uint8_t>(bytes[i]) << 16) | (static_cast<uint8_t>(bytes[i + 1]) << 8) |
                 static_cast<uint8_t>(bytes[i + 2]);
    out.push_back(kAlphabet[(v >> 18) & 63]);
    out.push_back(kAlphabet[(v >> 12) & 63]);
    out.push_back(kAlphabet[(v >> 6) & 63]);
    out.push_back(kAlphabet[v & 63]);
  }
  size_t rest = bytes.size() - i;
  if (rest == 1) {
    uint32_t v = static_cast<uint8_t>(bytes[i]) << 16;
    out.push_back(kAlphabet[(v >> 18) & 63]);
    out.push_back(kAlphabet[(v >> 12) & 63]);
    out += "==";
  } else if (rest == 2) {
    uint32_t v = (static_cast<uint8_t>(bytes[i]) << 16) | (static_cast<uint8_t>(bytes[i + 1]) << 8);
    out.push_back(kAlphabet[(v >> 18) & 63]);
    out.push_back(kAlphabet[(v >> 12) & 63]);
    out.push_back(kAlphabet[(v >> 6) & 63]);
    out += "=";
  }
  return out;
}

}  // namespace orbo
