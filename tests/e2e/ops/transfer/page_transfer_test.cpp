// The transfer and firmware operations through the page host: the page's
// calls build and send the configuration (with a firmware update first),
// send and fetch a cloud project, and keep the Wi-Fi list, with the files
// the build ships.
#include <gtest/gtest.h>

#include "base/base64.h"
#include "settings/message_keys.h"
#include "sim_ops_harness.h"
#include "support/box_sim.h"
#include "support/page_host.h"

namespace orbo::test {
namespace {

constexpr int kWaitMs = 60000;

TEST(PageTransfer, ConfigurationFirmwareProjectAndWifiThroughThePage) {
  TempDir dir;
  const std::filesystem::path app = dir / "app";
  CopyShippedFiles(app);
  std::filesystem::copy_file(std::filesystem::path(ORBO_APP_DIR) / "WifiList.xml",
                             app / "WifiList.xml");
  // Every message key shows as "@key".
  std::string table;
  for (std::string_view key : keys::kAllMessageKeys) {
    table += std::string(key) + "=@" + std::string(key) + "\n";
  }
  dir.Write("app/html/i18n/strings_en.properties", Base64Encode(table));
  dir.Write("app/SoftLang.ini", "[HMI]\noem=0\nlang=en\n");
  const std::string project(150000, 'p');
  const auto project_path = dir.Write("mine.kzrp", project);
  const auto fetched_path = dir / "fetched.kzrp";
  const auto profile = dir.Write("box.json", R"({"hmiType": "OP-S70", "password": "prj-pw",
                               "versions": ["fsFLASHVER:V1.2.0-P:FS", "OSVER:V2.1.0"],
                               "firmwareUpdates": {"fsFLASH": ["fsFLASHVER:V1.3.0-P:FS"]}})");

  BoxSim box(dir.path(),
             {.args = {"--profile", profile.string(), "--reset-ms", "300"}, .udp = false});
  ASSERT_TRUE(box.ready());
  PageHost host(app, {"--answer", "yes", "--answer", "ok", "--file", project_path.string(),
                      "--file", fetched_path.string()});
  ASSERT_TRUE(host.started());
  host.Send("{\"button\":\"setup\"}");
  host.Send(PageCall("12", box.address()));
  host.Send(PageCall("11", "LocalNetwork"));
  ASSERT_GE(host.WaitForScript("DetectBox(\"OP-S70\", 0);", 0, kWaitMs), 0)
      << JoinLines(host.Lines());

  // Command 0: build setup.xml from the form, update the file system, send.
  EXPECT_EQ(RunOperation(host, "0",
                         "Ethernet\x02"
                         "DHCP\x02"
                         "0\x02",
                         KeyScript("stopping_orbo"), "DisableOperate(true);"),
            (std::vector<std::string>{
                KeyScript("stopping_orbo"), KeyScript("detect_fireware"),
                LogScript("@download_filefsFLASH"),
                // A firmware image reports its progress whatever its size.
                "if (typeof ShowProgress === \"function\") ShowProgress(5200, 5200);",
                KeyScript("download_success"), KeyScript("download_config_file"),
                KeyScript("download_success"), KeyScript("reboot_orbo"), "DisableOperate(true);"}));
  EXPECT_NE(ReadAll(app / "setup.xml").find("DHCP=\"0\""), std::string::npos);
  EXPECT_EQ(ReadAll(dir / "box-store/setup.xml"), ReadAll(app / "setup.xml"));

  // Command 14: the rebooted box is found again, now up to date.
  EXPECT_EQ(RunOperation(host, "14", "", KeyScript("stopping_orbo"), "DisableOperate(true);"),
            (std::vector<std::string>{
                KeyScript("stopping_orbo"), KeyScript("detect_fireware"),
                KeyScript("is_up_to_date"), KeyScript("download_project_file"),
                KeyScript("download_success"), KeyScript("reboot_orbo"), "DisableOperate(true);"}));
  EXPECT_EQ(ReadAll(dir / "box-store/cloudprj.kzrp"), project);

  // Command 15: fetched back with the project password.
  RunOperation(host, "15", "prj-pw", KeyScript("upload_config_file"), "ShowUpLoadSetup()");
  EXPECT_EQ(ReadAll(fetched_path), project);

  host.Send(PageCall("19", "Lab\x02s3cret"));
  host.Send(PageCall("20", "Workshop"));
  EXPECT_EQ(host.Finish(), 0);
  const std::string wifi = ReadAll(app / "WifiList.xml");
  EXPECT_NE(wifi.find("<wifi Name=\"Lab\" Psw=\"s3cret\""), std::string::npos) << wifi;
  EXPECT_EQ(wifi.find("Workshop"), std::string::npos) << wifi;

  // No decrypted image or package stayed in the update folder.
  for (const auto& e : std::filesystem::directory_iterator(app / "update")) {
    EXPECT_NE(e.path().filename().string()[0], '.') << e.path();
  }
}

}  // namespace
}  // namespace orbo::test
