// Configuration, project and firmware transfer against a simulated box.
#include <gtest/gtest.h>

#include "base/file_util.h"
#include "formats/crypto/digest.h"
#include "ops/transfer/transfer_ops.h"
#include "ops/transfer/zip_helpers.h"
#include "sim_ops_harness.h"

namespace orbo {
namespace {

using test::SimOps;

constexpr char kUpToDatePanel[] =
    R"({"hmiType": "OP-S70", "versions": ["fsFLASHVER:V1.3.0-P:FS", "OSVER:V2.1.0"],
        "password": "prj-pw", "resetMs": 0})";
constexpr char kOldPanel[] =
    R"({"hmiType": "OP-S70", "versions": ["fsFLASHVER:V1.2.0-P:FS", "OSVER:V2.1.0"],
        "firmwareUpdates": {"fsFLASH": ["fsFLASHVER:V1.3.0-P:FS"]}, "resetMs": 0})";
constexpr char kOldGateway[] =
    R"({"hmiType": "OG-200", "versions": ["fsFLASHVER:V1.2.0-P:FS"],
        "firmwareUpdates": {"fsFLASH": ["fsFLASHVER:V1.3.0-P:FS", "version A7-V1.0.1.20250601"]},
        "resetMs": 0})";

std::string PlainImage(const std::string& name) {
  std::string bytes;
  ReadFileBytes(std::filesystem::path(ORBO_SOURCE_DIR) / "resources/update/plain" / name, &bytes);
  return bytes;
}

TEST(TransferE2e, SendConfigurationToAnUpToDateBox) {
  SimOps s(kUpToDatePanel);
  ASSERT_TRUE(s.Connect());
  ASSERT_EQ(BuildSetupXml(s.dir.path(),
                          "Ethernet\x02"
                          "DHCP\x02"
                          "0\x02"),
            0);
  s.state.transferPath = s.dir / "setup.xml";
  const auto files_before = s.Files();
  SendToBox(s.ctx, s.state, "setup.xml");

  EXPECT_EQ(s.BoxCommands(),
            (std::vector<std::string>{"GetHMIType", "TerminateAll",
                                      "DeleteFile //mnt//kavel//kavel//run//project//quectel.log",
                                      "GetAllVersion", "Download setup.xml", "reset"}));
  EXPECT_EQ(test::ReadAll(s.Stored("setup.xml")), s.dir.Read("setup.xml"));
  EXPECT_EQ(s.LogLines(),
            (std::vector<std::string>{"stopping_orbo", "detect_fireware", "is_up_to_date",
                                      "download_config_file", "download_success", "reboot_orbo"}));
  EXPECT_TRUE(s.prompts.asked().empty());
  EXPECT_EQ(s.state.linkDown, 1);
  EXPECT_EQ(s.state.detectRequested, 1);
  EXPECT_EQ(s.sleeper.pauses(), (std::vector<int64_t>{2000}));
  EXPECT_EQ(s.Files(), files_before);
}

TEST(TransferE2e, AcceptedUpdateIsSentBeforeTheConfiguration) {
  SimOps s(kOldPanel);
  ASSERT_TRUE(s.Connect());
  s.prompts.AnswerYesNo(true);
  s.state.transferPath = s.dir.Write("setup.xml", "<QXBoxSet/>");
  const auto files_before = s.Files();
  SendToBox(s.ctx, s.state, "setup.xml");

  const auto commands = s.BoxCommands();
  const auto fs = std::find(commands.begin(), commands.end(), "Download fsFLASH");
  const auto setup = std::find(commands.begin(), commands.end(), "Download setup.xml");
  ASSERT_NE(fs, commands.end());
  ASSERT_NE(setup, commands.end());
  EXPECT_LT(fs, setup);
  EXPECT_EQ(test::ReadAll(s.Stored("fsFLASH")), PlainImage("imageARM9"));
  EXPECT_EQ(s.prompts.asked().size(), 2u);  // the question and the note
  EXPECT_TRUE(s.Logged("download_filefsFLASH"));
  EXPECT_EQ(s.Files(), files_before);  // no decrypted image stayed
}

TEST(TransferE2e, ABoxThatWillNotStopIsLeftAlone) {
  SimOps s(kUpToDatePanel, {"--error", "TerminateAll"});
  ASSERT_TRUE(s.Connect());
  s.state.transferPath = s.dir.Write("setup.xml", "<QXBoxSet/>");
  s.state.linkDown = 0;
  s.state.detectRequested = 0;
  SendToBox(s.ctx, s.state, "setup.xml");
  EXPECT_EQ(s.BoxCommands(), (std::vector<std::string>{"GetHMIType", "TerminateAll"}));
  EXPECT_EQ(s.LogLines(), (std::vector<std::string>{"stopping_orbo", "stop_orbo_failed"}));
  EXPECT_TRUE(s.sleeper.pauses().empty());
  EXPECT_EQ(s.state.linkDown, 0);
  EXPECT_EQ(s.state.detectRequested, 0);
}

TEST(TransferE2e, ADeclinedUpdateStillSendsTheConfiguration) {
  SimOps s(kOldPanel);
  ASSERT_TRUE(s.Connect());
  s.state.transferPath = s.dir.Write("setup.xml", "<QXBoxSet/>");
  SendToBox(s.ctx, s.state, "setup.xml");
  const auto asked = s.prompts.asked();
  ASSERT_EQ(asked.size(), 1u);
  EXPECT_EQ(asked[0].kind, "yesno");
  EXPECT_EQ(asked[0].caption, "alert_title");
  EXPECT_EQ(asked[0].text,
            "fsFLASHVER:V1.2.0-P:FS detect_new_firmware V1.3.0-P:FS\n\nis_update_firmware");
  EXPECT_EQ(s.CountCommand("Download fsFLASH"), 0u);
  EXPECT_EQ(test::ReadAll(s.Stored("setup.xml")), "<QXBoxSet/>");
}

// Failures before the file goes out: the box is still rebooted.
TEST(TransferE2e, NothingToSendStillReboots) {
  {
    SimOps s(kUpToDatePanel);  // the shipped catalogue is missing
    ASSERT_TRUE(s.Connect());
    std::filesystem::remove(s.dir / "Up.ibl");
    s.state.transferPath = s.dir.Write("setup.xml", "<QXBoxSet/>");
    SendToBox(s.ctx, s.state, "setup.xml");
    EXPECT_TRUE(s.Logged("detect_soft_fireware_failed"));
    EXPECT_EQ(s.CountCommand("Download setup.xml"), 0u);
    EXPECT_EQ(s.BoxCommands().back(), "reset");
  }
  {
    SimOps s(kUpToDatePanel);  // the chosen project is gone
    ASSERT_TRUE(s.Connect());
    s.state.transferPath = s.dir / "gone.kzrp";
    SendToBox(s.ctx, s.state, "cloudprj.kzrp");
    EXPECT_EQ(s.LogLines(), (std::vector<std::string>{"stopping_orbo", "detect_fireware",
                                                      "is_up_to_date", "download_project_file",
                                                      "download_failed", "reboot_orbo"}));
    EXPECT_EQ(s.BoxCommands().back(), "reset");
  }
}

TEST(TransferE2e, AnImageThatDoesNotMatchItsDigestIsNeverSent) {
  SimOps s(kOldPanel);
  ASSERT_TRUE(s.Connect());
  s.dir.Write("update/imageARM9.img", "tampered image bytes");
  s.prompts.AnswerYesNo(true);
  s.state.transferPath = s.dir.Write("setup.xml", "<QXBoxSet/>");
  const auto files_before = s.Files();
  SendToBox(s.ctx, s.state, "setup.xml");
  EXPECT_TRUE(s.Logged("md5_error"));
  EXPECT_EQ(s.CountCommand("Download fsFLASH"), 0u);
  EXPECT_EQ(s.CountCommand("Download setup.xml"), 0u);
  EXPECT_EQ(s.BoxCommands().back(), "reset");
  EXPECT_EQ(s.Files(), files_before);
}

// Over TCP and over the USB report transport, whose reads take whole
// reports.
class PackagedUpdate : public ::testing::TestWithParam<bool> {};

TEST_P(PackagedUpdate, AppliesToEveryComponentOfTheCheck) {
  SimOps s(kOldGateway);
  ASSERT_TRUE(s.Connect(GetParam()));
  s.prompts.AnswerYesNo(true);
  const auto files_before = s.Files();
  ASSERT_TRUE(FirmwareCheck(s.ctx));
  EXPECT_EQ(s.ctx.kernelFamily, "A7");
  // The file system component listed first also went packaged, as fsFLASH.
  EXPECT_EQ(s.CountCommand("Download fsFLASH"), 2u);
  EXPECT_EQ(s.Files(), files_before);
  const auto last = test::ReadZip(s.Stored("fsFLASH"));
  EXPECT_EQ(last.count("manifest.txt"), 1u);
  ASSERT_EQ(last.count("image"), 1u);
  EXPECT_EQ(last.at("image"), PlainImage("image"));

  // The box now reports both versions: nothing more to do.
  s.view.Clear();
  ASSERT_TRUE(FirmwareCheck(s.ctx));
  EXPECT_EQ(s.LogLines(), (std::vector<std::string>{"detect_fireware", "is_up_to_date"}));
}

INSTANTIATE_TEST_SUITE_P(Transports, PackagedUpdate, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Usb" : "Tcp"; });

TEST(TransferE2e, ProjectSendAndFetchWithItsPassword) {
  SimOps s(kUpToDatePanel);
  ASSERT_TRUE(s.Connect());
  std::string project(300000, '\0');
  for (size_t i = 0; i < project.size(); ++i) project[i] = static_cast<char>(i * 7 + i / 1000);
  s.state.transferPath = s.dir.Write("mine.kzrp", project);
  SendToBox(s.ctx, s.state, "cloudprj.kzrp");
  EXPECT_TRUE(s.Logged("download_project_file"));
  EXPECT_TRUE(s.Logged("download_success"));
  ASSERT_EQ(test::ReadAll(s.Stored("cloudprj.kzrp")), project);

  // The box is back at once (reset time 0); fetch over a new connection.
  ASSERT_TRUE(s.sim.WaitReady(20000));
  ASSERT_TRUE(s.Connect());
  s.view.Clear();
  s.state.transferPath = s.dir.Write("fetched.kzrp", "my old project");
  s.state.uploadPassword = "wrong";
  EXPECT_FALSE(FetchFromBox(s.ctx, s.state, "cloudprj.kzrp"));
  EXPECT_TRUE(s.Logged("upload_password_invalid"));
  EXPECT_EQ(s.dir.Read("fetched.kzrp"), "my old project");

  // A password that would end the command early is refused unsent.
  const size_t sent = s.BoxCommands().size();
  s.state.uploadPassword = "pw\rLight";
  EXPECT_FALSE(FetchFromBox(s.ctx, s.state, "cloudprj.kzrp"));
  EXPECT_TRUE(s.Logged("upload_password_refused"));
  EXPECT_EQ(s.BoxCommands().size(), sent);

  s.state.uploadPassword = "prj-pw";
  EXPECT_TRUE(FetchFromBox(s.ctx, s.state, "cloudprj.kzrp"));
  EXPECT_EQ(s.dir.Read("fetched.kzrp"), project);
  EXPECT_EQ(s.view.scripts().back(), "ShowUpLoadSetup()");
}

TEST(TransferE2e, FetchConfigurationFromTheBox) {
  SimOps s(R"({"hmiType": "OP-S70", "files": {"setup.xml": "<QXBoxSet from=\"box\"/>"}})");
  ASSERT_TRUE(s.Connect());
  s.state.transferPath = s.dir / "setup.xml";
  EXPECT_TRUE(FetchFromBox(s.ctx, s.state, "setup.xml"));
  EXPECT_EQ(s.dir.Read("setup.xml"), "<QXBoxSet from=\"box\"/>");
}

// A box that misbehaves during the check: the operation ends with the
// failure key, reboots, and leaves nothing behind.
class MisbehavingBox : public ::testing::TestWithParam<std::vector<std::string>> {};

TEST_P(MisbehavingBox, FailsTheCheckCleanly) {
  SimOps s(kOldPanel, GetParam());
  ASSERT_TRUE(s.Connect());
  s.state.transferPath = s.dir.Write("setup.xml", "<QXBoxSet/>");
  const auto files_before = s.Files();
  SendToBox(s.ctx, s.state, "setup.xml");
  EXPECT_TRUE(s.Logged("detect_fireware_failed"));
  EXPECT_TRUE(s.Logged("reboot_orbo"));
  EXPECT_EQ(s.CountCommand("Download setup.xml"), 0u);
  EXPECT_EQ(s.Files(), files_before);
}

INSTANTIATE_TEST_SUITE_P(Faults, MisbehavingBox,
                         ::testing::Values(std::vector<std::string>{"--silent", "GetAllVersion"},
                                           std::vector<std::string>{"--error", "GetAllVersion"}));

TEST(TransferE2e, AbsurdVersionListLengthsStayInsideTheBuffer) {
  // A length far beyond the list: the list is read up to what came.
  SimOps huge(R"({"hmiType": "OP-S70", "versionPrefix": "9999",
                 "versions": ["fsFLASHVER:V1.3.0-P:FS", "OSVER:V2.1.0"]})");
  ASSERT_TRUE(huge.Connect());
  EXPECT_TRUE(FirmwareCheck(huge.ctx));
  EXPECT_TRUE(huge.Logged("is_up_to_date"));

  SimOps text(R"({"hmiType": "OP-S70", "versionPrefix": "abcd"})");
  ASSERT_TRUE(text.Connect());
  EXPECT_FALSE(FirmwareCheck(text.ctx));
  EXPECT_TRUE(text.Logged("detect_fireware_failed"));
  // The link still works afterwards.
  ReplyBuffer reply;
  EXPECT_TRUE(text.link.SendCommand("GetRmtSN\r\n", &reply));
}

TEST(TransferE2e, ALinkDroppedDuringAnUpdateLeavesNothingBehind) {
  SimOps s(kOldPanel, {"--drop-after", "2000"});
  ASSERT_TRUE(s.Connect());
  s.prompts.AnswerYesNo(true);
  s.state.transferPath = s.dir.Write("setup.xml", "<QXBoxSet/>");
  const auto files_before = s.Files();
  SendToBox(s.ctx, s.state, "setup.xml");
  EXPECT_TRUE(s.Logged("download_failed"));
  EXPECT_TRUE(s.Logged("reboot_orbo"));
  EXPECT_FALSE(s.Logged("download_config_file"));
  EXPECT_EQ(s.Files(), files_before);
  EXPECT_EQ(s.state.linkDown, 1);
}

}  // namespace
}  // namespace orbo
