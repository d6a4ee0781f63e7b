#include "ops/transfer/transfer_progress.h"

#include <cinttypes>
#include <cstdio>
#include <memory>

namespace orbo {
namespace {
constexpr std::string_view kHead = "if (typeof ShowProgress === \"function\") ShowProgress(";
}  // namespace

std::string ProgressScript(uint64_t done, uint64_t total) {
  return std::string(kHead) + std::to_string(done) + ", " + std::to_string(total) + ");";
}

bool ParseProgressScript(std::string_view script, uint64_t* done, uint64_t* total) {
  if (script.substr(0, kHead.size()) != kHead) return false;
  const std::string rest(script.substr(kHead.size()));
  char tail[3] = {};
  uint64_t d = 0, t = 0;
  if (std::sscanf(rest.c_str(), "%" SCNu64 ", %" SCNu64 "%2s", &d, &t, tail) != 3 ||
      std::string_view(tail) != ");") {
    return false;
  }
  *done = d;
  *total = t;
  return true;
}

TransferProgress PageProgress(const PageScripts& scripts, bool always) {
  // The last percent shown, shared by the copies std::function makes.
  auto last = std::make_shared<int>(-1);
  return [&scripts, always, last](uint64_t done, uint64_t total) {
    if (!always && total <= kProgressThreshold) return;
    const int percent = total == 0 ? 100 : static_cast<int>(done * 100 / total);
    if (percent == *last && done != total) return;
    *last = percent;
    scripts.Run(ProgressScript(done, total));
  };
}

}  // namespace orbo
