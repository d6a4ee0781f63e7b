// One orbo-cli page session against orbo-boxsim (a box that answers at
// once; the pauses are the protocol's) through 200 detect cycles (the
// worker's link step, which connects anew each time), 50 identifications
// and 100 operations. The host's open descriptors, threads and resident memory are
// read from /proc after the first detection and at the end: a leak per
// cycle would show as growth well beyond the allowance.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "base/base64.h"
#include "e2e/long_run/process_counts.h"
#include "support/box_sim.h"
#include "support/page_host.h"
#include "support/temp_dir.h"

namespace orbo::test {
namespace {

constexpr int kWaitMs = 60000;
constexpr int kLinkCycles = 200;
constexpr int kIdentifications = 50;
constexpr int kOperations = 100;

TEST(PageSessionLongRun, DetectionsAndOperationsLeakNothing) {
  TempDir dir;
  std::string table;
  for (const char* key : {"get_maccode_success", "light_cmd_suc"})
    table += std::string(key) + "=@" + key + "\n";
  dir.Write("app/SoftLang.ini", "[HMI]\noem=0\nlang=en\n");
  dir.Write("app/html/i18n/strings_en.properties", Base64Encode(table));
  BoxSim box(dir.path(), {.udp = false});
  ASSERT_TRUE(box.ready());
  PageHost host(dir.path() / "app", {});
  ASSERT_TRUE(host.started());

  const std::string detected = "DetectBox(\"OP-X70\", 0);";
  int at = 0;
  auto detect = [&] {
    host.Send(PageCall("12", box.address()));
    at = host.WaitForScript(detected, at + 1, kWaitMs);
    return at >= 0;
  };
  host.Send("{\"button\":\"setup\"}");
  host.Send(PageCall("11", "LocalNetwork"));
  ASSERT_TRUE(detect()) << JoinLines(host.Lines());
  at = host.WaitForScript("DisableOperate(false);", at + 1, kWaitMs);
  ASSERT_GE(at, 0);
  const ProcessCounts start = ReadCounts(host.pid());

  // A link step with nothing to identify ends by enabling the page.
  const std::string idle = "DisableOperate(false);";
  for (int i = 0; i < kLinkCycles; ++i) {
    at = host.WaitForScript(idle, at + 1, kWaitMs);
    ASSERT_GE(at, 0) << "link cycle " << i;
  }
  for (int i = 0; i < kIdentifications; ++i) ASSERT_TRUE(detect()) << "identification " << i;
  // Machine code and light in turn: each talks to the box and writes to
  // the page.
  const char* codes[] = {"4", "18"};
  const char* lasts[] = {"AddText(\"ORBO-SN-0001\");", "AddText(\"@light_cmd_suc\");"};
  for (int i = 0; i < kOperations; ++i) {
    const int from = static_cast<int>(host.Lines().size());
    host.Send(PageCall(codes[i % 2], ""));
    at = host.WaitForScript(lasts[i % 2], from, kWaitMs);
    ASSERT_GE(at, 0) << "operation " << i;
  }
  ASSERT_TRUE(detect());
  const ProcessCounts end = ReadCounts(host.pid());

  std::printf("long run: fds %d -> %d, threads %d -> %d, VmRSS %ld -> %ld kB\n", start.fds, end.fds,
              start.threads, end.threads, start.rssKb, end.rssKb);
  EXPECT_LE(end.fds, start.fds + 1);
  EXPECT_LE(end.threads, start.threads);
  EXPECT_LE(end.rssKb, start.rssKb + kRssAllowanceKb);
  EXPECT_EQ(host.Finish(), 0);
}

}  // namespace
}  // namespace orbo::test
