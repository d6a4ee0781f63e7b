#include <gtest/gtest.h>

#include <array>
#include <string>

#include "formats/crypto/cipher.h"
#include "hex.h"

namespace orbo {
namespace {

using test::FromHex;
using test::ToHex;

std::array<uint8_t, 32> Key(std::string_view hex) {
  std::array<uint8_t, 32> key{};
  FromHex(hex).copy(reinterpret_cast<char*>(key.data()), key.size());
  return key;
}

std::array<uint8_t, 16> Iv(std::string_view hex) {
  std::array<uint8_t, 16> iv{};
  FromHex(hex).copy(reinterpret_cast<char*>(iv.data()), iv.size());
  return iv;
}

// NIST SP 800-38A, F.3.18 CFB128-AES256.Decrypt.
constexpr char kNistKey[] = "603deb1015ca71be2b73aef0857d77811f352c073b6108d72d9810a30914dff4";
constexpr char kNistIv[] = "000102030405060708090a0b0c0d0e0f";
constexpr char kNistCipher[] =
    "dc7e84bfda79164b7ecd8486985d3860"
    "39ffed143b28b1c832113c6331e5407b"
    "df10132415e54b92a13ed0a8267ae2f9"
    "75a385741ab9cef82031623d55b1e471";
constexpr char kNistPlain[] =
    "6bc1bee22e409f96e93d7e117393172a"
    "ae2d8a571e03ac9c9eb76fac45af8e51"
    "30c81c46a35ce411e5fbc1191a0a52ef"
    "f69f2445df4f9b17ad2b417be66c3710";

TEST(AesCfbDecryptTest, NistVectorsWholeAndPartial) {
  const auto key = Key(kNistKey);
  const auto iv = Iv(kNistIv);
  const std::string cipher = FromHex(kNistCipher);
  const std::string plain = FromHex(kNistPlain);
  // Whole blocks, and lengths that end inside a block: CFB adds no padding,
  // so the plaintext is exactly as long as the input.
  for (size_t length : {size_t{64}, size_t{5}, size_t{16}, size_t{17}, size_t{63}}) {
    std::string out;
    ASSERT_EQ(AesCfbDecrypt(std::string_view(cipher).substr(0, length), key, iv, &out), 0);
    EXPECT_EQ(out.size(), length);
    EXPECT_EQ(ToHex(out), ToHex(plain.substr(0, length))) << length;
  }
}

TEST(AesCfbDecryptTest, RefusesEmptyDataAndMissingOutput) {
  const auto key = Key(kNistKey);
  const auto iv = Iv(kNistIv);
  std::string out = "unchanged";
  EXPECT_EQ(AesCfbDecrypt("", key, iv, &out), -1);
  EXPECT_EQ(out, "unchanged");
  EXPECT_EQ(AesCfbDecrypt("abc", key, iv, nullptr), -2);
}

// The expected values below were computed independently with Python's
// hashlib (SHA-384 of the 64-byte-padded construction) and, for the
// ciphertexts, AES-256-CFB from Python's cryptography package.
constexpr char kKeyText[] = "KeyPhrase01";    // padded with zeros to 32 bytes
constexpr char kIvText[] = "IvText-2024abc";  // padded with zeros to 16 bytes

std::string Padded(std::string_view text, size_t size) {
  std::string bytes(text);
  bytes.resize(size, '\0');
  return bytes;
}

std::string Range(int first, int count) {
  std::string bytes;
  for (int i = 0; i < count; ++i) bytes.push_back(static_cast<char>(first + i));
  return bytes;
}

TEST(DeriveKeyIvTest, MatchesIndependentVectors) {
  struct Case {
    const char* name;
    std::string key_text;
    std::string iv_text;
    const char* expected;
  };
  const Case cases[] = {
      {"package-shaped texts, 48 bytes", Padded(kKeyText, 32), Padded(kIvText, 16),
       "dbc7473eebb6df1f0a3d19b0e35d938a92e54fb41f4213e54159997a9c763c8c"
       "e74ac272555c42c131247cd2835081a7"},
      // Exactly 64 bytes: used as the pad key unchanged.
      {"concatenation of 64 bytes", Range(1, 40), Range(100, 24),
       "6cec3cf2b4da68ca12d63d4bfc4d5a79963fa5e8eb3e03dcca80fd4423506521"
       "ac0c338813cd990d871b367f3b1a5e10"},
      // 65 bytes: first hashed to 48 bytes.
      {"concatenation of 65 bytes", Range(1, 40), Range(100, 25),
       "473521584e8ca1cc6fb5a2ec0bb20eff02e251da627d286b34a0425e617ae543"
       "52d2aa84d2af3085a68450fda1d128a0"},
      {"zero byte in key, empty IV text", std::string("\0abc", 4), "",
       "5dc29f4b0e07c1584bb445264062340af7135dd750ad1bec0ff321321509e970"
       "a05932ba9ecf7bdcacf7985ce001e688"},
  };
  for (const Case& c : cases) {
    DerivedKeyIv out{};
    ASSERT_EQ(DeriveKeyIv(c.key_text, c.iv_text, &out), 0) << c.name;
    EXPECT_EQ(ToHex(out.data(), out.size()), c.expected) << c.name;
  }
}

TEST(DeriveKeyIvTest, RefusesEmptyKeyTextAndMissingOutput) {
  DerivedKeyIv out{};
  out.fill(0xAB);
  EXPECT_EQ(DeriveKeyIv("", "", &out), -1);
  EXPECT_EQ(DeriveKeyIv("", "iv", &out), -1);
  EXPECT_EQ(out[0], 0xAB);
  EXPECT_EQ(DeriveKeyIv("key", "iv", nullptr), -3);
}

TEST(DecryptTextsTest, DecryptsWithDerivedKeyAndIv) {
  const std::string key_text = Padded(kKeyText, 32);
  const std::string iv_text = Padded(kIvText, 16);
  std::string plain;
  ASSERT_EQ(DecryptTexts(FromHex("41c7b0a72360b6a1ba5976904c85a32bdca020a17a3472e9917d21942d0ed6"
                                 "5f9be39a9f838943211eb033662185"),
                         key_text, iv_text, &plain),
            0);
  EXPECT_EQ(plain, std::string("{\"name\":\"Box tool\",\"company\":\"Example Ltd\"}\0\1\xff", 46));

  ASSERT_EQ(DecryptTexts(FromHex("5b87dea52a"), key_text, iv_text, &plain), 0);
  EXPECT_EQ(plain, std::string("ab\0cd", 5));
}

TEST(DecryptTextsTest, FailureCodes) {
  const std::string key_text = Padded(kKeyText, 32);
  const std::string iv_text = Padded(kIvText, 16);
  std::string plain = "unchanged";
  EXPECT_EQ(DecryptTexts("data", "", "", &plain), -1);
  EXPECT_EQ(DecryptTexts("", "", "", &plain), -1);  // checked before the data
  // No key can be derived from an empty key text: refused, never decrypted
  // with unset key bytes.
  EXPECT_EQ(DecryptTexts("data", "", iv_text, &plain), -1);
  EXPECT_EQ(DecryptTexts("", key_text, iv_text, &plain), -101);
  EXPECT_EQ(plain, "unchanged");
  EXPECT_EQ(DecryptTexts("data", key_text, iv_text, nullptr), -102);
}

}  // namespace
}  // namespace orbo
