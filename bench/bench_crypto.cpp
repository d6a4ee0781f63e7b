// bench-libs: orbo_crypto orbo_base
// Figures for the checksum and file digest helpers:
//   bench_crypto                 CRC-32 throughput, then MD5 of a 256 MiB file
//                                with its peak memory growth
//   bench_crypto --md5 PATH [N]  best time of N runs of Md5FileHex on PATH
//                                (used by scripts/bench_md5.sh)
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "formats/crypto/digest.h"
#include "peak_rss.h"

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point since) {
  return std::chrono::duration<double>(Clock::now() - since).count();
}

// Best time of reps runs of Md5FileHex; prints the digest. False on failure.
bool TimeMd5(const std::filesystem::path& path, int reps, double* best) {
  *best = 1e30;
  std::string hex;
  for (int i = 0; i < reps; ++i) {
    const auto start = Clock::now();
    const int result = orbo::Md5FileHex(path, &hex);
    const double took = Seconds(start);
    if (result != 0) {
      std::fprintf(stderr, "Md5FileHex failed: %d\n", result);
      return false;
    }
    *best = std::min(*best, took);
  }
  std::printf("md5 %s\n", hex.c_str());
  return true;
}

int Md5Only(const char* path, int reps) {
  double best = 0;
  if (!TimeMd5(path, reps, &best)) return 1;
  std::printf("seconds %.4f\n", best);
  return 0;
}

// Writes size bytes of varied content to path in 64 KiB pieces.
bool MakeFile(const std::filesystem::path& path, size_t size) {
  std::ofstream out(path, std::ios::binary);
  std::vector<char> piece(64 * 1024);
  uint32_t x = 1;
  for (size_t done = 0; done < size && out; done += piece.size()) {
    for (char& c : piece) {
      x = x * 1664525u + 1013904223u;
      c = static_cast<char>(x >> 24);
    }
    out.write(piece.data(), static_cast<std::streamsize>(std::min(piece.size(), size - done)));
  }
  return static_cast<bool>(out);
}

int Md5LargeFile() {
  constexpr size_t kSize = size_t{256} << 20;
  const auto path = std::filesystem::temp_directory_path() /
                    ("bench_crypto_" + std::to_string(getpid()) + ".bin");
  if (!MakeFile(path, kSize)) {
    std::fprintf(stderr, "cannot write %s\n", path.c_str());
    std::filesystem::remove(path);
    return 1;
  }
  std::string hex;
  orbo::Md5FileHex(path, &hex);  // warm the page cache

  const bool reset = bench::ResetPeakRss();
  const long hwm_before = bench::StatusKib("VmHWM");
  double best = 0;
  const bool ok = TimeMd5(path, 3, &best);
  const long hwm_after = bench::StatusKib("VmHWM");
  std::filesystem::remove(path);
  if (!ok) return 1;

  std::printf("Md5FileHex 256 MiB: %.3f s, %.0f MiB/s\n", best, 256.0 / best);
  std::printf("peak RSS growth: %ld KiB (buffer 4096 KiB)%s\n", hwm_after - hwm_before,
              reset ? "" : " [peak could not be reset; figure may read low]");
  return 0;
}

int Crc32Throughput() {
  constexpr size_t kSize = size_t{64} << 20;
  std::vector<unsigned char> data(kSize);
  for (size_t i = 0; i < kSize; ++i) data[i] = static_cast<unsigned char>(i * 2654435761u >> 13);
  double best = 1e30;
  uint32_t crc = 0;
  for (int i = 0; i < 5; ++i) {
    const auto start = Clock::now();
    crc ^= orbo::Crc32Buffer(data.data(), data.size());
    best = std::min(best, Seconds(start));
  }
  std::printf("Crc32Buffer: %.2f GB/s (64 MiB, best of 5; %08x)\n", kSize / best / 1e9, crc);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 3 && std::string(argv[1]) == "--md5") {
    return Md5Only(argv[2], argc >= 4 ? std::max(1, std::atoi(argv[3])) : 3);
  }
  // The file digest first, so the CRC buffer does not raise the peak before it.
  const int md5 = Md5LargeFile();
  const int crc = Crc32Throughput();
  return md5 != 0 ? md5 : crc;
}
