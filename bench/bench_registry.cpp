// bench-libs: orbo_platform_desktop orbo_registry orbo_base
// Parse a generated ~16 MiB Wine-style system.reg (the size of a well-used
// prefix) into the in-memory registry and look up the uninstall keys.
// Target: under 500 ms per parse. Prints best and median over several runs.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/memory_registry.h"
#include "platform/registry_text.h"

namespace {

using Clock = std::chrono::steady_clock;

std::string MakeRegistry(size_t target_bytes) {
  std::string text =
      "WINE REGISTRY Version 2\n;; All keys relative to \\\\Machine\n\n#arch=win64\n\n";
  for (int i = 0; text.size() < target_bytes; ++i) {
    const std::string n = std::to_string(i);
    if (i % 8 == 0) {
      text += "[Software\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\Uninstall\\\\App" + n +
              "] 1700000000\n#time=1d9c1b0e8f3a5b2\n\"DisplayName\"=\"Application " + n +
              "\"\n\"InstallLocation\"=\"C:\\\\Program Files\\\\App " + n +
              "\\\\\"\n\"EstimatedSize\"=dword:0000" + std::to_string(1000 + i % 9000) + "\n\n";
    } else {
      text += "[Software\\\\Classes\\\\CLSID\\\\{" + n +
              "-0000-0000-C000-000000000046}\\\\InprocServer32] 1700000000\n@=\"C:\\\\windows\\\\"
              "system32\\\\lib" +
              n +
              ".dll\"\n\"ThreadingModel\"=\"Both\"\n\"Blob\"=hex:01,02,03,"
              "04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,\\\n  10,11,12,13,14,15,16,17\n\n";
    }
  }
  return text;
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

}  // namespace

int main() {
  const std::string text = MakeRegistry(16u << 20);
  constexpr int kRuns = 5;
  std::vector<double> parse, lookup;
  size_t keys = 0;
  for (int run = 0; run < kRuns; ++run) {
    orbo::MemoryRegistry reg;
    orbo::RegTextReport report;
    const auto t0 = Clock::now();
    orbo::ParseRegText(text, orbo::RegRoot::kLocalMachine, &reg, &report);
    const auto t1 = Clock::now();
    const char* base = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
    auto subkeys = reg.SubKeys(orbo::RegRoot::kLocalMachine, base);
    keys = 0;
    for (const std::string& sub : subkeys.value_or(std::vector<std::string>{})) {
      if (reg.QueryText(orbo::RegRoot::kLocalMachine, std::string(base) + "\\" + sub,
                        "InstallLocation")) {
        ++keys;
      }
    }
    const auto t2 = Clock::now();
    parse.push_back(std::chrono::duration<double, std::milli>(t1 - t0).count());
    lookup.push_back(std::chrono::duration<double, std::milli>(t2 - t1).count());
    if (report.badLines != 0) {
      std::fprintf(stderr, "unexpected bad lines: %s\n", report.firstError.c_str());
      return 1;
    }
  }
  const double mib = static_cast<double>(text.size()) / (1 << 20);
  std::printf("file %.1f MiB, %zu uninstall entries\n", mib, keys);
  std::printf("parse  best %.1f ms  median %.1f ms  (%.0f MiB/s)  target < 500 ms\n",
              *std::min_element(parse.begin(), parse.end()), Median(parse),
              mib / (Median(parse) / 1000.0));
  std::printf("lookup of every uninstall entry: median %.1f ms\n", Median(lookup));
  return Median(parse) < 500.0 ? 0 : 1;
}
