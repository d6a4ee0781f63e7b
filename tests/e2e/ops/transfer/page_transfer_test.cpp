// The transfer and firmware operations through the page host: the page's
// calls build and send the configuration (with a firmware update first),
// send and fetch a cloud project, and keep the Wi-Fi list, with the files
// the build ships.
#include <cjson/cJSON.h>
#include <gtest/gtest.h>

#include "base/base64.h"
#include "e2e/ops/core/page_host_process.h"
#include "e2e/ops/core/sim_box.h"
#include "settings/message_keys.h"
#include "sim_ops_harness.h"

namespace orbo::test {
namespace {

constexpr int kWaitMs = 60000;

std::string Call(const std::string& v1, const std::string& v2) {
  cJSON* call = cJSON_CreateArray();
  cJSON_AddItemToArray(call, cJSON_CreateString(v1.c_str()));
  cJSON_AddItemToArray(call, cJSON_CreateString(v2.c_str()));
  char* text = cJSON_PrintUnformatted(call);
  std::string line = text;
  cJSON_free(text);
  cJSON_Delete(call);
  return line;
}

std::string Dump(const std::vector<std::string>& lines) {
  std::string all;
  for (const std::string& l : lines) all += l + "\n";
  return all;
}

// The scripts from the first line equal to first up to the next equal to
// last, after the call (v1, v2) was made.
std::vector<std::string> Operation(PageHost& host, const std::string& v1, const std::string& v2,
                                   const std::string& first, const std::string& last) {
  const int from = static_cast<int>(host.Lines().size());
  host.Send(Call(v1, v2));
  const int begin = host.WaitForScript(first, from, kWaitMs);
  const int end = begin < 0 ? -1 : host.WaitForScript(last, begin + 1, kWaitMs);
  EXPECT_GE(end, 0) << "page call " << v1 << "\n" << Dump(host.Lines());
  std::vector<std::string> scripts;
  const std::vector<std::string> lines = host.Lines();
  for (int i = begin; end >= 0 && i <= end; ++i) {
    if (auto s = JsonString(lines[static_cast<size_t>(i)], "script")) scripts.push_back(*s);
  }
  return scripts;
}

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
  dir.Write("app/SoftLang.ini", "[HMI]\nlang=en\n");
  const std::string project(150000, 'p');
  const auto project_path = dir.Write("mine.kzrp", project);
  const auto fetched_path = dir / "fetched.kzrp";
  const auto profile = dir.Write("box.json", R"({"hmiType": "OP-S70", "password": "prj-pw",
                               "versions": ["fsFLASHVER:V1.2.0-P:FS", "OSVER:V2.1.0"],
                               "firmwareUpdates": {"fsFLASH": ["fsFLASHVER:V1.3.0-P:FS"]}})");

  SimBox box(dir.path(), {"--profile", profile.string(), "--reset-ms", "300"});
  ASSERT_TRUE(box.ready());
  PageHost host(app, {"--answer", "yes", "--answer", "ok", "--file", project_path.string(),
                      "--file", fetched_path.string()});
  ASSERT_TRUE(host.started());
  host.Send("{\"button\":\"setup\"}");
  host.Send(Call("12", box.address()));
  host.Send(Call("11", "LocalNetwork"));
  ASSERT_GE(host.WaitForScript("DetectBox(\"OP-S70\", 0);", 0, kWaitMs), 0) << Dump(host.Lines());

  // Command 0: build setup.xml from the form, update the file system, send.
  EXPECT_EQ(
      Operation(host, "0",
                "Ethernet\x02"
                "DHCP\x02"
                "0\x02",
                KeyScript("stopping_orbo"), "DisableOperate(true);"),
      (std::vector<std::string>{KeyScript("stopping_orbo"), KeyScript("detect_fireware"),
                                LogScript("@download_filefsFLASH"), KeyScript("download_success"),
                                KeyScript("download_config_file"), KeyScript("download_success"),
                                KeyScript("reboot_orbo"), "DisableOperate(true);"}));
  EXPECT_NE(ReadAll(app / "setup.xml").find("DHCP=\"0\""), std::string::npos);
  EXPECT_EQ(ReadAll(dir / "box-store/setup.xml"), ReadAll(app / "setup.xml"));

  // Command 14: the rebooted box is found again, now up to date.
  EXPECT_EQ(Operation(host, "14", "", KeyScript("stopping_orbo"), "DisableOperate(true);"),
            (std::vector<std::string>{
                KeyScript("stopping_orbo"), KeyScript("detect_fireware"),
                KeyScript("is_up_to_date"), KeyScript("download_project_file"),
                KeyScript("download_success"), KeyScript("reboot_orbo"), "DisableOperate(true);"}));
  EXPECT_EQ(ReadAll(dir / "box-store/cloudprj.kzrp"), project);

  // Command 15: fetched back with the project password.
  Operation(host, "15", "prj-pw", KeyScript("upload_config_file"), "ShowUpLoadSetup()");
  EXPECT_EQ(ReadAll(fetched_path), project);

  host.Send(Call("19", "Lab\x02s3cret"));
  host.Send(Call("20", "Workshop"));
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
