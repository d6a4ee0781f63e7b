// File transfer replies: a fetch (the "UpLoadStat:%d" status, the 44-byte
// header, the data) and a send (the "OK\r", "okok!\r" and final
// acknowledgements). Input parts, split at U+001D: the fetch's and the
// send's box side (see ScriptedTransport). A fetch either replaces the
// local file with bytes matching the header's digest or leaves it as it
// was; no temporary file stays either way.
#include <cstdio>
#include <cstring>
#include <string>

#include "formats/crypto/digest.h"
#include "fuzz_support.h"
#include "link/box_link.h"
#include "link/file_transfer.h"
#include "link/transfer_header.h"
#include "scripted_transport.h"
#include "support/fake_sleeper.h"

namespace {

std::string ReadAll(const std::filesystem::path& path) {
  std::string bytes;
  if (std::FILE* f = std::fopen(path.c_str(), "rb")) {
    char buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof(buf), f)) > 0) bytes.append(buf, n);
    std::fclose(f);
  }
  return bytes;
}

struct Link {
  explicit Link(std::string_view script) : transport(script), link(nullptr, sleeper) {
    link.Attach(&transport);
  }
  orbo::fuzz::ScriptedTransport transport;
  orbo::test::FakeSleeper sleeper;
  orbo::BoxLink link;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const auto parts = orbo::fuzz::Split(orbo::fuzz::AsText(data, size), '\x1d');
  const auto& dir = orbo::fuzz::ScratchDir();

  const auto local = dir / "fetched.xml";
  const std::string before = "<old/>";
  orbo::fuzz::WriteFile(local, before);
  Link fetch(parts[0]);
  if (orbo::FetchFile(fetch.link, "setup.xml", "pw", local) == orbo::FetchOutcome::kSuccess) {
    // The reads are the status text (which may come in pieces), the
    // 44-byte header and the data, nothing after: the header sits just
    // before the file's bytes, and its digest is what they must match.
    std::string all;
    for (const auto& read : fetch.transport.received()) all += read;
    const std::string fetched = ReadAll(local);
    FUZZ_CHECK(all.size() >= orbo::kTransferHeaderSize + fetched.size());
    FUZZ_CHECK(all.compare(all.size() - fetched.size(), fetched.size(), fetched) == 0);
    const size_t at = all.size() - fetched.size() - orbo::kTransferHeaderSize;
    uint8_t header[orbo::kTransferHeaderSize];
    std::memcpy(header, all.data() + at, sizeof(header));
    std::string digest;
    FUZZ_CHECK(orbo::Md5FileHex(local, &digest) == 0);
    FUZZ_CHECK(digest == orbo::DecodeTransferHeader(header).digest);
  } else {
    FUZZ_CHECK(ReadAll(local) == before);
  }
  FUZZ_CHECK(orbo::fuzz::NoTempFilesIn(dir));

  if (parts.size() > 1) {
    const auto source = dir / "send.bin";
    orbo::fuzz::WriteFile(source, "box configuration");
    std::FILE* file = std::fopen(source.c_str(), "rb");
    FUZZ_CHECK(file != nullptr);
    Link send(parts[1]);
    orbo::SendFile(send.link, "setup.xml", file, "0123456789abcdef0123456789abcdef");
    std::fclose(file);
  }
  return 0;
}
