#include "link/file_transfer.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <memory>
#include <new>

#include "base/file_util.h"
#include "base/logger.h"
#include "base/unique_fd.h"
#include "formats/crypto/digest.h"
#include "link/transfer_header.h"

namespace orbo {
namespace {

constexpr int kOkTries = 10;
constexpr int kMaxMisses = 10;
constexpr int kPauseMs = 100;

// "OK\r" to the announcement: up to ten 3-byte reads, 100 ms apart. The
// transfer goes on either way; the result is only logged.
bool WaitAnnouncementOk(BoxLink& link) {
  for (int i = 0; i < kOkTries; ++i) {
    char buf[4] = {};
    int64_t n = 0;
    link.Read(buf, 3, &n);
    if (std::strcmp(buf, "OK\r") == 0) return true;
    link.sleeper().SleepMs(kPauseMs);
  }
  return false;
}

// One "okok!\r": the first "ERROR\r" is forgiven, the second fails, ten
// empty or failed reads fail, other text is read past.
bool WaitOkok(BoxLink& link) {
  int misses = 0;
  int errors = 0;
  for (int unrelated = 0; unrelated < kMaxUnrelatedReplies;) {
    link.sleeper().SleepMs(kPauseMs);
    char buf[7] = {};
    int64_t n = 0;
    if (!link.Read(buf, 6, &n) || n <= 0) {
      if (++misses >= kMaxMisses) return false;
      continue;
    }
    if (std::strcmp(buf, "okok!\r") == 0) return true;
    if (std::strcmp(buf, "ERROR\r") == 0) {
      if (++errors >= 2) return false;
      continue;
    }
    ++unrelated;
  }
  return false;
}

// The final answer: "okokok!" or "END" succeed, "timeout" fails, ten empty
// or failed reads fail, other text is read past.
bool WaitFinal(BoxLink& link) {
  int misses = 0;
  for (int unrelated = 0; unrelated < kMaxUnrelatedReplies;) {
    char buf[8] = {};
    int64_t n = 0;
    if (!link.Read(buf, 7, &n) || n <= 0) {
      if (++misses >= kMaxMisses) return false;
      continue;
    }
    if (std::strcmp(buf, "timeout") == 0) return false;
    if (std::strcmp(buf, "END") == 0 || std::strcmp(buf, "okokok!") == 0) return true;
    ++unrelated;
  }
  return false;
}

bool SendFileBody(BoxLink& link, std::string_view box_name, std::FILE* file,
                  std::string_view digest) {
  struct stat st {};
  if (!file || ::fstat(::fileno(file), &st) != 0 || st.st_size < 0 ||
      static_cast<uint64_t>(st.st_size) > UINT32_MAX) {
    return false;
  }
  const uint32_t size = static_cast<uint32_t>(st.st_size);
  std::unique_ptr<uint8_t[]> block(new (std::nothrow) uint8_t[kTransferBlockSize]);
  if (!block) return false;

  link.Purge();
  const std::string announce = "Download " + std::string(box_name) + "\r";
  int64_t n = 0;
  link.Write(announce.data(), announce.size(), &n);
  if (!WaitAnnouncementOk(link))
    ORBO_LOG_DEBUG("no OK to the announcement of %s", announce.c_str());

  link.Purge();
  const auto header = EncodeTransferHeader(digest, size);
  link.Write(header.data(), header.size(), &n);

  uint64_t sent = 0;
  while (sent < size) {
    std::memset(block.get(), 0, kTransferBlockSize);
    // Never more than announced, even when the file grew meanwhile.
    const size_t want = static_cast<size_t>(std::min<uint64_t>(kTransferBlockSize, size - sent));
    const size_t got = std::fread(block.get(), 1, want, file);
    if (got == 0) break;
    if (!link.Write(block.get(), got, &n) || n <= 0) break;
    sent += static_cast<uint64_t>(n);
    // A short write would shift every later byte; the box could only store
    // garbage, so stop here.
    if (static_cast<size_t>(n) != got) break;
  }
  if (sent != size) return false;
  return WaitOkok(link) && WaitOkok(link) && WaitFinal(link);
}

}  // namespace

bool IsCommandArgument(std::string_view text) {
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte <= 0x20 || byte == 0x7F) return false;
  }
  return true;
}

FetchOutcome FetchFile(BoxLink& link, std::string_view box_name, std::string_view password,
                       const std::filesystem::path& local_path) {
  if (!IsCommandArgument(password)) return FetchOutcome::kPasswordRefused;
  const std::string request =
      "Upload " + std::string(box_name) + " " + std::string(password) + "\r";
  int64_t n = 0;
  if (!link.Write(request.data(), request.size(), &n)) return FetchOutcome::kFailed;

  char status_text[13] = {};
  link.Read(status_text, 12, &n);
  int status = 0;
  if (std::sscanf(status_text, "UpLoadStat:%d", &status) != 1) status = 0;
  if (status == 1) return FetchOutcome::kPasswordInvalid;
  if (status == 2) return FetchOutcome::kProhibited;

  uint8_t header_bytes[kTransferHeaderSize] = {};
  link.Read(header_bytes, sizeof(header_bytes), &n);
  if (n < static_cast<int64_t>(kTransferHeaderSize)) return FetchOutcome::kFailed;
  const TransferHeader header = DecodeTransferHeader(header_bytes);
  if (header.size > kMaxFetchSize) {
    ORBO_LOG_WARN("box announced %u bytes for %.*s; refused", header.size,
                  static_cast<int>(box_name.size()), box_name.data());
    return FetchOutcome::kFailed;
  }

  std::filesystem::path tmp;
  UniqueFd fd(CreateTempBeside(local_path, &tmp));
  if (!fd.valid()) return FetchOutcome::kFailed;
  // Removes the temporary file on every way out but the commit.
  struct TempGuard {
    std::filesystem::path path;
    ~TempGuard() {
      if (!path.empty()) ::unlink(path.c_str());
    }
  } guard{tmp};

  std::unique_ptr<uint8_t[]> block(new (std::nothrow) uint8_t[kTransferBlockSize]);
  if (!block) return FetchOutcome::kFailed;
  uint64_t received = 0;
  while (received < header.size) {
    const size_t want =
        static_cast<size_t>(std::min<uint64_t>(kTransferBlockSize, header.size - received));
    link.Read(block.get(), want, &n);
    if (n <= 0) return FetchOutcome::kFailed;
    const size_t got = std::min(static_cast<size_t>(n), want);
    if (!WriteFdFully(fd.get(), block.get(), got)) return FetchOutcome::kFailed;
    received += got;
  }

  std::string digest;
  if (Md5FileHex(tmp, &digest) != 0 || digest != header.digest) {
    ORBO_LOG_WARN("fetched %.*s does not match its digest", static_cast<int>(box_name.size()),
                  box_name.data());
    return FetchOutcome::kFailed;
  }
  guard.path.clear();  // the commit removes the temporary file itself on failure
  if (!CommitTempFile(fd.Release(), tmp, local_path)) return FetchOutcome::kFailed;
  return FetchOutcome::kSuccess;
}

bool SendFile(BoxLink& link, std::string_view box_name, std::FILE* file, std::string_view digest) {
  const bool ok = SendFileBody(link, box_name, file, digest);
  link.Purge();
  return ok;
}

}  // namespace orbo
