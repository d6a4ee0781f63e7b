// Moving whole files between the PC and the box over the raw link
// operations: "Download" sends a file to the box, "Upload" fetches one.
// Both report their outcome; the box operations turn it into page lines.
#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

#include "link/box_link.h"

namespace orbo {

inline constexpr size_t kTransferBlockSize = 102400;
// The largest file a fetch accepts; a header announcing more is refused.
inline constexpr uint32_t kMaxFetchSize = 0x80000000u;
// Unrelated replies an acknowledgement wait reads past before giving up.
inline constexpr int kMaxUnrelatedReplies = 1000;

// Called on the link's thread after each block that moved: bytes done so
// far and the whole size; the last call of a complete transfer has
// done == total.
using TransferProgress = std::function<void(uint64_t done, uint64_t total)>;

// Sends the open file (from its current position; the size is the whole
// file's) to the box as box_name with the given MD5 hex digest: "Download
// <name>\r", up to ten tries for "OK\r", the 44-byte header, the data in
// 102400-byte blocks, then "okok!\r" twice and the final "okokok!" or "END";
// the link is purged afterwards. True when the box confirmed; false for a
// file that is not open or a stream larger than 4 GiB. Each acknowledgement
// may take a few link waits and each block one, whatever the box sends
// meanwhile, so the whole send has a bound.
bool SendFile(BoxLink& link, std::string_view box_name, std::FILE* file, std::string_view digest,
              const TransferProgress& progress = {});

// How a fetch ended.
enum class FetchOutcome {
  kSuccess,
  kFailed,           // no answer, bad header, short data, digest mismatch
  kLocalFileFailed,  // the box was fine; writing the file on this computer failed
  kPasswordInvalid,  // the box answered "UpLoadStat:1"
  kProhibited,       // the box answered "UpLoadStat:2"
  kPasswordRefused,  // the password cannot stand in the command; nothing was sent
};

// True when text can stand as one space-separated argument of a box
// command: no space and no control character (a space or a carriage return
// would end the command early and send the rest as a second one).
bool IsCommandArgument(std::string_view text);

// Fetches box_name from the box ("Upload <name> <password>\r") into
// local_path. The data streams into a temporary file beside local_path,
// which replaces local_path only when its MD5 matches the header's digest;
// on any failure local_path is left as it was and no temporary file stays
// (nor one that an earlier, abruptly ended fetch of local_path left); a
// symbolic link local_path is written through: its target is replaced. The
// header, each block and each reply must come within one link wait.
// A password that is not IsCommandArgument is refused before anything is
// sent.
FetchOutcome FetchFile(BoxLink& link, std::string_view box_name, std::string_view password,
                       const std::filesystem::path& local_path,
                       const TransferProgress& progress = {});

}  // namespace orbo
