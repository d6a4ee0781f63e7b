#include "formats/cert/cert_raw_read.h"

#include <fstream>
#include <new>

#include "base/logger.h"

namespace orbo {

int ReadRawPackage(const std::filesystem::path& path, CertRawPackage* raw) {
  raw->Release();
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    ORBO_LOG_WARN("open file failed.");
    return -1;
  }
  if (!in.read(reinterpret_cast<char*>(raw->head.data()), kCertHeadSize)) {
    ORBO_LOG_WARN("read file head error.");
    return -2;
  }
  in.clear();
  if (!in.seekg(-static_cast<std::streamoff>(kCertDigestSize), std::ios::end)) {
    // A file shorter than the digest cannot be positioned there; it would
    // have failed the head read first, so this is a read error of its own.
    ORBO_LOG_WARN("read file hash error.");
    return -3;
  }
  const int64_t digest_pos = static_cast<int64_t>(in.tellg());
  const int64_t payload_size = digest_pos - static_cast<int64_t>(kCertHeadSize);
  if (!in.read(reinterpret_cast<char*>(raw->digest.data()), kCertDigestSize)) {
    ORBO_LOG_WARN("read file hash error.");
    return -3;
  }
  if (payload_size < 0 || static_cast<uint64_t>(payload_size) > kCertMaxPayloadSize) {
    ORBO_LOG_WARN("malloc error.");
    return -4;
  }
  const size_t size = static_cast<size_t>(payload_size);
  raw->payload.reset(new (std::nothrow) char[size == 0 ? 1 : size]);
  if (!raw->payload) {
    ORBO_LOG_WARN("malloc error.");
    return -4;
  }
  raw->payloadSize = size;
  in.clear();
  in.seekg(static_cast<std::streamoff>(kCertHeadSize), std::ios::beg);
  size_t got = 0;
  while (got < size) {
    in.read(raw->payload.get() + got, static_cast<std::streamsize>(size - got));
    const std::streamsize n = in.gcount();
    if (n <= 0) {
      ORBO_LOG_WARN("read file data error.");
      raw->Release();
      return -5;
    }
    got += static_cast<size_t>(n);
    in.clear();
  }
  return 0;
}

}  // namespace orbo
