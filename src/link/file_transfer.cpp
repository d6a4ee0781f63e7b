#include "link/file_transfer.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
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
// Link waits one acknowledgement may take in all, however much unrelated
// text, garbage or silence comes first.
constexpr int kAckWaits = 3;

// "OK\r" to the announcement: up to ten 3-byte records, 100 ms apart, all
// within one link wait. The transfer goes on either way; the result is
// only logged.
bool WaitAnnouncementOk(BoxLink& link) {
  LinkDeadline overall(link, link.wait_ms());
  for (int i = 0; i < kOkTries && !link.expired(); ++i) {
    char buf[4] = {};
    int64_t n = 0;
    link.ReadRecord(buf, 3, link.wait_ms(), &n);
    if (std::strcmp(buf, "OK\r") == 0) return true;
    link.sleeper().SleepMs(kPauseMs);
  }
  return false;
}

// One "okok!\r": the first "ERROR\r" is forgiven, the second fails, ten
// empty or failed reads fail, other text is read past; all within
// kAckWaits link waits.
bool WaitOkok(BoxLink& link) {
  LinkDeadline overall(link, int64_t{kAckWaits} * link.wait_ms());
  int misses = 0;
  int errors = 0;
  for (int unrelated = 0; unrelated < kMaxUnrelatedReplies && !link.expired();) {
    link.sleeper().SleepMs(kPauseMs);
    char buf[7] = {};
    int64_t n = 0;
    if (!link.ReadRecord(buf, 6, link.wait_ms(), &n) && n <= 0) {
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
// or failed reads fail, other text is read past; all within kAckWaits link
// waits.
bool WaitFinal(BoxLink& link) {
  LinkDeadline overall(link, int64_t{kAckWaits} * link.wait_ms());
  int misses = 0;
  for (int unrelated = 0; unrelated < kMaxUnrelatedReplies && !link.expired();) {
    char buf[8] = {};
    int64_t n = 0;
    if (!link.ReadReply(buf, 7, link.wait_ms(), &n)) {
      if (++misses >= kMaxMisses) return false;
      continue;
    }
    if (std::strcmp(buf, "timeout") == 0) return false;
    if (std::strcmp(buf, "END") == 0 || std::strcmp(buf, "okokok!") == 0) return true;
    ++unrelated;
  }
  return false;
}

// Link waits a transfer of size bytes may take in all: one per block, one
// for the announcement and kAckWaits per acknowledgement.
int64_t TransferWaits(uint64_t size) {
  return static_cast<int64_t>((size + kTransferBlockSize - 1) / kTransferBlockSize) + 1 +
         3 * kAckWaits;
}

bool SendFileBody(BoxLink& link, std::string_view box_name, std::FILE* file,
                  std::string_view digest, const TransferProgress& progress) {
  struct stat st {};
  if (!file || ::fstat(::fileno(file), &st) != 0 || st.st_size < 0 ||
      static_cast<uint64_t>(st.st_size) > UINT32_MAX) {
    return false;
  }
  const uint32_t size = static_cast<uint32_t>(st.st_size);
  std::unique_ptr<uint8_t[]> block(new (std::nothrow) uint8_t[kTransferBlockSize]);
  if (!block) return false;
  LinkDeadline overall(link, TransferWaits(size) * link.wait_ms());

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
    if (progress) progress(sent, size);
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
                       const std::filesystem::path& link_or_path,
                       const TransferProgress& progress) {
  if (!IsCommandArgument(password)) return FetchOutcome::kPasswordRefused;
  // A symbolic link is written through, as the settings writes do: the
  // link's target gets the fetched file and the link stays.
  const std::filesystem::path local_path = WriteTarget(link_or_path);
  // What an earlier run that ended abruptly left beside the target.
  RemoveStaleTempFiles(local_path.parent_path(), local_path.filename().string());
  const std::string request =
      "Upload " + std::string(box_name) + " " + std::string(password) + "\r";
  int64_t n = 0;
  if (!link.Write(request.data(), request.size(), &n)) return FetchOutcome::kFailed;

  char status_text[13] = {};
  link.ReadReply(status_text, 12, link.wait_ms(), &n);
  int status = 0;
  if (std::sscanf(status_text, "UpLoadStat:%d", &status) != 1) status = 0;
  if (status == 1) return FetchOutcome::kPasswordInvalid;
  if (status == 2) return FetchOutcome::kProhibited;

  uint8_t header_bytes[kTransferHeaderSize] = {};
  if (!link.ReadRecord(header_bytes, sizeof(header_bytes), link.wait_ms(), &n))
    return FetchOutcome::kFailed;
  const TransferHeader header = DecodeTransferHeader(header_bytes);
  if (header.size > kMaxFetchSize) {
    ORBO_LOG_WARN("box announced %u bytes for %.*s; refused", header.size,
                  static_cast<int>(box_name.size()), box_name.data());
    return FetchOutcome::kFailed;
  }
  LinkDeadline overall(link, TransferWaits(header.size) * link.wait_ms());

  std::filesystem::path tmp;
  UniqueFd fd(CreateTempBeside(local_path, &tmp));
  if (!fd.valid()) {
    ORBO_LOG_WARN("cannot create a file beside %s: %s", local_path.c_str(), std::strerror(errno));
    return FetchOutcome::kLocalFileFailed;
  }
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
    // Each block within one link wait: a box that drips its bytes cannot
    // stretch a fetch without end.
    if (!link.ReadRecord(block.get(), want, link.wait_ms(), &n)) return FetchOutcome::kFailed;
    if (!WriteFdFully(fd.get(), block.get(), want)) {
      ORBO_LOG_WARN("cannot write %s: %s", tmp.c_str(), std::strerror(errno));
      return FetchOutcome::kLocalFileFailed;
    }
    received += want;
    if (progress) progress(received, header.size);
  }

  std::string digest;
  if (Md5FileHex(tmp, &digest) != 0) return FetchOutcome::kLocalFileFailed;
  if (digest != header.digest) {
    ORBO_LOG_WARN("fetched %.*s does not match its digest", static_cast<int>(box_name.size()),
                  box_name.data());
    return FetchOutcome::kFailed;
  }
  guard.path.clear();  // the commit removes the temporary file itself on failure
  if (!CommitTempFile(fd.Release(), tmp, local_path)) {
    ORBO_LOG_WARN("cannot replace %s: %s", local_path.c_str(), std::strerror(errno));
    return FetchOutcome::kLocalFileFailed;
  }
  return FetchOutcome::kSuccess;
}

bool SendFile(BoxLink& link, std::string_view box_name, std::FILE* file, std::string_view digest,
              const TransferProgress& progress) {
  const bool ok = SendFileBody(link, box_name, file, digest, progress);
  link.Purge();
  return ok;
}

}  // namespace orbo
