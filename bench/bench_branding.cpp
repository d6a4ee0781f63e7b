// bench-libs: orbo_branding orbo_certpack_writer orbo_cert orbo_settings orbo_lists orbo_xml
// orbo_crypto orbo_desktop_entry orbo_platform orbo_base Branding at start-up (ApplyBranding, as
// the window's start runs it): with the sample package, time and peak memory; with a package whose
// device.info is just under the 64 MiB payload limit, the start must end
// within 1 s and under 64 MiB of memory growth (the entry is not held, let
// alone parsed). Usage: bench_branding [BUILD_DIR]
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "base/file_util.h"
#include "cert_writer.h"
#include "formats/branding/apply_branding.h"
#include "formats/cert/cert_format.h"
#include "peak_rss.h"
#include "settings/app_settings.h"

namespace fs = std::filesystem;

namespace {

struct Figure {
  double seconds = 1e30;
  long growthKib = 0;
  bool ok = true;
};

// Runs ApplyBranding on app runs times: the best time and the largest peak
// growth over the resident size before each run.
Figure Measure(const fs::path& root, int runs) {
  Figure f;
  for (int run = 0; run < runs; ++run) {
    orbo::SettingsStore store(root / "app");
    store.Load();
    orbo::BrandingEnv env;
    env.exePath = root / "app" / "orbo";
    if (!fs::exists(env.exePath)) orbo::WriteFileAtomic(env.exePath, "program");
    env.launcherFolders = {root / "Desktop", root / "applications"};
    f.ok = bench::ResetPeakRss() && f.ok;
    const long before = bench::StatusKib("VmRSS");
    const auto start = std::chrono::steady_clock::now();
    const int result = orbo::ApplyBranding(env, &store);
    const double s =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (result != 0) {
      std::fprintf(stderr, "bench_branding: ApplyBranding gave %d\n", result);
      std::exit(1);
    }
    f.seconds = std::min(f.seconds, s);
    f.growthKib = std::max(f.growthKib, bench::StatusKib("VmHWM") - before);
  }
  return f;
}

void Prepare(const fs::path& root, const fs::path& build) {
  fs::create_directories(root / "app" / "html");
  orbo::WriteFileAtomic(root / "app" / "SoftLang.ini", "[HMI]\noem=1\nname=ORBO\n");
  fs::copy_file(build / "app" / "BOXType.hmi", root / "app" / "BOXType.hmi",
                fs::copy_options::overwrite_existing);
  fs::copy_file(build / "app" / "html" / "Default.xml", root / "app" / "html" / "Default.xml",
                fs::copy_options::overwrite_existing);
}

}  // namespace

int main(int argc, char** argv) {
  const fs::path build = argc > 1 ? argv[1] : "build";
  const fs::path sample = build / "samples" / "VirCert.ce";
  if (!fs::is_regular_file(sample)) {
    std::fprintf(stderr, "bench_branding: %s not built\n", sample.c_str());
    return 1;
  }
  const fs::path root = fs::temp_directory_path() / ("bench_branding_" + std::to_string(getpid()));
  Prepare(root, build);
  fs::copy_file(sample, root / "app" / "VirCert.ce");
  Measure(root, 1);  // the first start writes the icons and renames; later ones repeat
  const Figure plain = Measure(root, 20);

  {
    // device.info: a valid array padded to just under the payload limit.
    std::string huge = R"([{"oriValue":"OP-S70","cusModel":"AC-7"}])";
    huge.resize(orbo::kCertMaxPayloadSize - 4096, ' ');
    const std::string package = orbo::certpack::BuildPackage(
        "bench.example", orbo::CertDefaultDomain(), 0,
        {{"company.info", R"({"tool_name":"Bench Link","domain_name":"127.0.0.1"})"},
         {"device.info", huge}});
    orbo::WriteFileAtomic(root / "app" / "VirCert.ce", package);
  }
  const double mib = static_cast<double>(fs::file_size(root / "app" / "VirCert.ce")) / (1 << 20);
  Measure(root, 1);  // page cache warm
  const Figure big = Measure(root, 3);
  fs::remove_all(root);

  std::printf("branding with the sample package: %.2f ms, peak RSS growth %ld KiB (best of 20)%s\n",
              plain.seconds * 1000, plain.growthKib, plain.ok ? "" : " [peak not reset]");
  const bool within = big.seconds < 1.0 && big.growthKib < 64 * 1024;
  std::printf(
      "branding with a %.1f MiB package (device.info %.1f MiB): %.3f s, peak RSS growth %.2f MiB "
      "(targets < 1 s, < 64 MiB)%s%s\n",
      mib, static_cast<double>(orbo::kCertMaxPayloadSize - 4096) / (1 << 20), big.seconds,
      static_cast<double>(big.growthKib) / 1024, big.ok ? "" : " [peak not reset]",
      within ? "" : " MISSED");
  return within ? 0 : 1;
}
