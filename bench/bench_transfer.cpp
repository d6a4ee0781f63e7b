// bench-libs: orbo_link orbo_platform_linux orbo_crypto orbo_platform orbo_base
// File transfer figures against a running orbo-boxsim (scripts/bench_transfer.sh
// starts one):
//   bench_transfer send HOST FILE     time of sending FILE, with the protocol's
//                                     pauses and without them (data path only)
//   bench_transfer fetch HOST NAME OUT   peak memory of fetching NAME into OUT
#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "formats/crypto/digest.h"
#include "link/box_link.h"
#include "link/file_transfer.h"
#include "peak_rss.h"
#include "platform/sleeper.h"

namespace {

using Clock = std::chrono::steady_clock;

class NoPause : public orbo::Sleeper {
 public:
  void SleepMs(int64_t) override {}
};

double Send(const std::string& host, const std::string& path, orbo::Sleeper& sleeper,
            const std::string& digest) {
  orbo::BoxLink link(nullptr, sleeper);
  if (!link.ConnectTcp(host, orbo::kBoxPort)) return -1;
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"), std::fclose);
  if (!file) return -1;
  auto start = Clock::now();
  bool ok = orbo::SendFile(link, "bench.bin", file.get(), digest);
  double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  return ok ? seconds : -1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 4 && std::strcmp(argv[1], "send") == 0) {
    std::string digest;
    if (orbo::Md5FileHex(argv[3], &digest) != 0) return 1;
    NoPause none;
    double plain = Send(argv[2], argv[3], none, digest);
    double paced = Send(argv[2], argv[3], orbo::SystemSleeper(), digest);
    if (plain < 0 || paced < 0) {
      std::fprintf(stderr, "bench_transfer: send failed\n");
      return 1;
    }
    std::printf("send_seconds_data_path=%.3f\nsend_seconds_with_pauses=%.3f\n", plain, paced);
    return 0;
  }
  if (argc == 5 && std::strcmp(argv[1], "fetch") == 0) {
    orbo::BoxLink link(nullptr, orbo::SystemSleeper());
    if (!link.ConnectTcp(argv[2], orbo::kBoxPort)) return 1;
    bench::ResetPeakRss();
    const long idle = bench::StatusKib("VmHWM");
    auto start = Clock::now();
    bool ok = orbo::FetchFile(link, argv[3], "", argv[4]) == orbo::FetchOutcome::kSuccess;
    double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    const long peak = bench::StatusKib("VmHWM");
    if (!ok) {
      std::fprintf(stderr, "bench_transfer: fetch failed\n");
      return 1;
    }
    std::printf("fetch_seconds=%.3f\nidle_hwm_kib=%ld\npeak_hwm_kib=%ld\npeak_growth_kib=%ld\n",
                seconds, idle, peak, peak - idle);
    return 0;
  }
  std::fprintf(stderr, "usage: bench_transfer send HOST FILE | fetch HOST NAME OUT\n");
  return 2;
}
