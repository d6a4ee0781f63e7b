#include "formats/cert/cert_file.h"

#include <gtest/gtest.h>

#include <array>
#include <filesystem>

#include "cert_writer.h"
#include "formats/crypto/digest.h"
#include "formats/crypto/sha.h"
#include "support/temp_dir.h"

namespace orbo {
namespace {

using certpack::BuildPackage;
using certpack::PackEntry;

const std::vector<PackEntry> kEntries = {
    {"company.info", R"({"tool_name":"Acme"})"}, {"Logo", "upper"}, {"logo", "lower"},
    {"logo", "second of the same name"},         {"empty", ""},
};

// A package around a hand-made payload (for layouts the writer never
// produces), keyed by the default domain.
std::string PackRawPayload(const std::string& plain) {
  std::string head(kCertHeadSize, '\0');
  std::string encrypted;
  EXPECT_TRUE(certpack::EncryptTexts(plain, CertPayloadKeyText(CertDefaultDomain(), 0),
                                     CertPackageIvText(), &encrypted));
  std::array<uint8_t, 32> digest{};
  Sha256(plain.data(), plain.size(), digest.data());
  return head + encrypted + std::string(reinterpret_cast<const char*>(digest.data()), 32);
}

std::string EntryInfo(uint64_t name_len, uint64_t size, uint64_t crc) {
  std::string info;
  CertAppendLe64(&info, name_len);
  CertAppendLe64(&info, size);
  CertAppendLe64(&info, crc);
  return info;
}

TEST(CertFile, RoundTripKeepsOrderDomainAndExactNames) {
  test::TempDir dir;
  for (int key_mode : {0, 1}) {
    SCOPED_TRACE(key_mode);
    const auto file = dir.Write(
        "p.ce", BuildPackage("acme.example.net", CertDefaultDomain(), key_mode, kEntries));
    CertFile cert(CertDefaultDomain(), key_mode);
    ASSERT_EQ(cert.Load(file), 0);
    EXPECT_EQ(cert.domain(), "acme.example.net");
    ASSERT_EQ(cert.entries().size(), kEntries.size());
    for (size_t i = 0; i < kEntries.size(); ++i) {
      EXPECT_EQ(cert.entries()[i].name, kEntries[i].name);
      EXPECT_EQ(cert.entries()[i].crc32,
                Crc32Buffer(kEntries[i].data.data(), kEntries[i].data.size()));
    }
    std::string data = "untouched";
    EXPECT_EQ(cert.GetFileData("LOGO", &data), -1);
    EXPECT_EQ(data, "untouched");
    ASSERT_EQ(cert.GetFileData("logo", &data), 0);
    EXPECT_EQ(data, "lower");  // the first of two with that name
    ASSERT_EQ(cert.GetFileData("empty", &data), 0);
    EXPECT_EQ(data, "");
  }
  // Keyed by one mode, read with the other: the payload decrypts to noise.
  const auto file = dir.Write("p.ce", BuildPackage("a.example", CertDefaultDomain(), 1, kEntries));
  CertFile cert(CertDefaultDomain(), 0);
  EXPECT_EQ(cert.Load(file), -7);
}

TEST(CertFile, WithoutDomainThePayloadIsKeyedByTheDefaultDomain) {
  test::TempDir dir;
  const auto file = dir.Write("p.ce", BuildPackage("", "fallback.example", 0, kEntries));
  CertFile right("fallback.example", 0);
  EXPECT_EQ(right.Load(file), 0);
  EXPECT_EQ(right.domain(), "fallback.example");
  CertFile wrong("other.example", 0);
  EXPECT_EQ(wrong.Load(file), -7);
}

// Bytes made by tests/formats/cert/data/make_independent.py with hashlib and
// the openssl command line, none of our code.
TEST(CertFile, ReadsAPackageMadeWithoutOurCode) {
  CertFile cert(CertDefaultDomain(), 0);
  ASSERT_EQ(
      cert.Load(std::filesystem::path(ORBO_SOURCE_DIR) / "tests/formats/cert/data/independent.ce"),
      0);
  EXPECT_EQ(cert.domain(), "independent.example.org");
  ASSERT_EQ(cert.entries().size(), 3u);
  std::string data;
  ASSERT_EQ(cert.GetFileData("company.info", &data), 0);
  EXPECT_EQ(data, R"({"tool_name":"Indie Tool","box_name_zh":"node"})");
  ASSERT_EQ(cert.GetFileData("readme.txt", &data), 0);
  EXPECT_EQ(data, "made with hashlib and openssl enc\n");
  EXPECT_EQ(cert.entries()[2].name, "empty");
  EXPECT_EQ(cert.entries()[2].fileSize, 0u);
}

TEST(CertFile, BadPackagesGiveTheirResultAndNoEntries) {
  const std::string good = BuildPackage("acme.example.net", CertDefaultDomain(), 0, kEntries);
  const std::string body =
      "name"
      "data";
  const uint64_t crc = Crc32Buffer("data", 4);
  auto flipped = [&](size_t at) {
    std::string p = good;
    p[at] ^= 0x01;
    return p;
  };
  auto domain_length = [&](int16_t length) {
    std::string p = good;
    p[16] = static_cast<char>(length & 0xFF);
    p[17] = static_cast<char>((length >> 8) & 0xFF);
    return p;
  };
  struct Case {
    const char* what;
    std::string bytes;
    int result;
  } cases[] = {
      {"shorter than 304 bytes", good.substr(0, 303), -1},
      {"only a head", good.substr(0, 272), -1},
      {"empty payload", std::string(304, '\0'), -6},
      {"payload bit flipped", flipped(400), -7},
      {"digest bit flipped", flipped(good.size() - 1), -7},
      {"domain bit flipped", flipped(20), -7},
      {"domain length -1", domain_length(-1), -7},
      {"domain length 300", domain_length(300), -7},
      {"crc upper half set", PackRawPayload(EntryInfo(4, 4, crc | (uint64_t{1} << 32)) + body), -7},
      {"crc wrong", PackRawPayload(EntryInfo(4, 4, crc ^ 1) + body), -7},
      {"name runs past the end", PackRawPayload(EntryInfo(9, 0, 0) + body), -7},
      {"data runs past the end", PackRawPayload(EntryInfo(4, 5, crc) + body), -7},
      {"huge lengths", PackRawPayload(EntryInfo(~uint64_t{0}, ~uint64_t{0} - 3, crc) + body), -7},
      {"lengths summing past 2^64", PackRawPayload(EntryInfo(4, ~uint64_t{0} - 2, crc) + body), -7},
      {"info cut short", PackRawPayload("12345678"), -7},
  };
  test::TempDir dir;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const auto file = dir.Write("bad.ce", c.bytes);
    CertFile cert(CertDefaultDomain(), 0);
    EXPECT_EQ(cert.Load(file), c.result);
    EXPECT_TRUE(cert.entries().empty());
    EXPECT_EQ(test::ReadAll(file), c.bytes);  // reading never changes the file
  }
  CertFile cert(CertDefaultDomain(), 0);
  EXPECT_EQ(cert.Load(dir / "missing.ce"), -1);
  EXPECT_EQ(cert.Load(dir.path()), -1);
}

TEST(CertFile, ACrcFailureKeepsTheEntriesBeforeIt) {
  test::TempDir dir;
  const std::string plain = EntryInfo(2, 1, Crc32Buffer("x", 1)) + "okx" +
                            EntryInfo(3, 1, Crc32Buffer("y", 1) ^ 1) + "bady";
  CertFile cert(CertDefaultDomain(), 0);
  EXPECT_EQ(cert.Load(dir.Write("p.ce", PackRawPayload(plain))), -7);
  ASSERT_EQ(cert.entries().size(), 1u);
  EXPECT_EQ(cert.entries()[0].name, "ok");
}

TEST(CertFile, ASecondLoadReplacesTheFirstAlsoWhenItFails) {
  test::TempDir dir;
  CertFile cert(CertDefaultDomain(), 0);
  ASSERT_EQ(cert.Load(dir.Write("a.ce", BuildPackage("a.example", "", 0, kEntries))), 0);
  EXPECT_EQ(cert.Load(dir.Write("b.ce", std::string(304, '\0'))), -6);
  EXPECT_TRUE(cert.entries().empty());
  EXPECT_EQ(cert.domain(), CertDefaultDomain());
  std::string data;
  EXPECT_EQ(cert.GetFileData("company.info", &data), -1);
}

TEST(CertFile, APayloadOverTheLimitIsRefusedBeforeReadingIt) {
  test::TempDir dir;
  const auto file = dir.Write("big.ce", std::string(kCertHeadSize, '\0'));
  // Sparse: the file claims a payload one byte over the limit without
  // taking the disk space.
  std::filesystem::resize_file(file, kCertMinFileSize + kCertMaxPayloadSize + 1);
  CertFile cert(CertDefaultDomain(), 0);
  EXPECT_EQ(cert.Load(file), -1);
}

}  // namespace
}  // namespace orbo
