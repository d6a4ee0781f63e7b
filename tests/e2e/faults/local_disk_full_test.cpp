// A full local disk, played by a file size limit (RLIMIT_FSIZE, with
// SIGXFSZ ignored so a write past it fails with EFBIG instead of ending the
// program): a fetch from a healthy box, the Wi-Fi list save and the
// first-start settings write each fail, the page is told that the local
// file could not be written, and every old file stays as it was with no
// temporary file beside it.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "base/base64.h"
#include "support/box_sim.h"
#include "support/page_host.h"
#include "support/temp_dir.h"

namespace orbo::test {
namespace {

constexpr int kWaitMs = 60000;

TEST(LocalDiskFull, FetchAndSettingsWritesTellThePageAndKeepTheOldFiles) {
  TempDir dir;
  std::string table;
  for (const char* key : {"local_file_write_failed", "upload_config_failed",
                          "upload_config_success", "upload_config_file"})
    table += std::string(key) + "=@" + key + "\n";
  // Every file is larger than the 2 KiB limit, so each rewrite hits it.
  const std::string ini = "[HMI]\noem=0\nlang=en\nfirst=1\n;" + std::string(3000, 'k') + "\n";
  const std::string wifi =
      "<WifiList>\n<wifi Name=\"Lab\" Psw=\"" + std::string(3000, 'p') + "\"/>\n</WifiList>\n";
  const std::string setup = "<setup old=\"1\"/>";
  dir.Write("app/SoftLang.ini", ini);
  dir.Write("app/WifiList.xml", wifi);
  dir.Write("app/setup.xml", setup);
  dir.Write("app/html/i18n/strings_en.properties", Base64Encode(table));
  BoxSim box(dir.path(), {.profileJson = R"({"files": {"setup.xml": {"content": "<setup>)" +
                                         std::string(8000, 's') + "</setup>\"}}}",
                          .udp = false});
  ASSERT_TRUE(box.ready());

  // ulimit -f counts 512-byte blocks.
  PageHost host(dir.path() / "app", {},
                {"sh", "-c", "trap '' XFSZ; ulimit -f 4 && exec \"$@\"", "sh"});
  ASSERT_TRUE(host.started());
  host.Send("{\"button\":\"setup\"}");
  host.Send(PageCall("11", "LocalNetwork"));
  host.Send(PageCall("12", box.address()));
  int at = host.WaitForScript("DetectBox(\"OP-X70\", 0);", 0, kWaitMs);
  ASSERT_GE(at, 0) << JoinLines(host.Lines());
  at = host.WaitForScript("DisableOperate(false);", at + 1, kWaitMs);
  ASSERT_GE(at, 0) << JoinLines(host.Lines());

  const std::string told = KeyScript("local_file_write_failed");
  host.Send(PageCall("2", ""));
  at = host.WaitForScript(told, at + 1, kWaitMs);
  ASSERT_GE(at, 0) << JoinLines(host.Lines());
  EXPECT_GE(host.WaitForScript(KeyScript("upload_config_failed"), at + 1, kWaitMs), 0);
  host.Send(PageCall("19", "Office\x02" + std::string(200, 'w')));
  at = host.WaitForScript(told, at + 1, kWaitMs);
  EXPECT_GE(at, 0) << "Wi-Fi save: " << JoinLines(host.Lines());
  host.Send(PageCall("21", ""));
  EXPECT_GE(host.WaitForScript(told, at + 1, kWaitMs), 0)
      << "first start: " << JoinLines(host.Lines());
  EXPECT_EQ(host.Finish(), 0);

  EXPECT_EQ(dir.Read("app/SoftLang.ini"), ini);
  EXPECT_EQ(dir.Read("app/WifiList.xml"), wifi);
  EXPECT_EQ(dir.Read("app/setup.xml"), setup);
  for (const auto& entry : std::filesystem::directory_iterator(dir.path() / "app"))
    EXPECT_EQ(entry.path().filename().string().find(".tmp."), std::string::npos) << entry.path();
}

}  // namespace
}  // namespace orbo::test
