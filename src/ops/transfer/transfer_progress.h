// How far a transfer has come, as the page sees it: the page function
// ShowProgress(done, total) with byte counts; done == total ends it.
#pragma once

#include <cstdint>
#include <string>

#include "bridge/page.h"
#include "link/file_transfer.h"

namespace orbo {

// Transfers larger than this report their progress; firmware images always.
inline constexpr uint64_t kProgressThreshold = 1024 * 1024;

// The page script for one progress step. A page without ShowProgress runs
// it without effect.
std::string ProgressScript(uint64_t done, uint64_t total);

// Reads done and total back from a ProgressScript; false for any other
// script.
bool ParseProgressScript(std::string_view script, uint64_t* done, uint64_t* total);

// A link progress callback that shows ProgressScript in the page at most
// once per whole percent (and always at the end), for transfers over the
// threshold or, with always, for any size. scripts must outlive it.
TransferProgress PageProgress(const PageScripts& scripts, bool always = false);

}  // namespace orbo
