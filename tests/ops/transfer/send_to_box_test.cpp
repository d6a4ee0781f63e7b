#include <gtest/gtest.h>

#include <cstring>

#include "firmware_files.h"
#include "ops/transfer/transfer_ops.h"
#include "transfer_fixture.h"

namespace orbo {
namespace {

class SendToBoxTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::memcpy(f.ctx.typeReply.data(), "OP-S70\r", 7);
    test::WriteBoxTypes(f.dir, "<box Type=\"OP-S70\" SerialNo=\"OBX-100\" Kernel=\"ARM9\"/>\n");
    test::WriteCatalogue(f.dir, "OBX-100",
                         {{"ARM9", "fs.img", "fsFLASH", "fsFLASHVER:", "V1.3.0-P:FS", "fs", ""}});
    state.transferPath = f.dir.Write("setup.xml", "<QXBoxSet/>");
    state.linkDown = 0;
    state.detectRequested = 0;
  }
  void QueueUpToDateList() {
    f.transport.Queue("0024");
    f.transport.Queue("fsFLASHVER:V1.3.0-P:FS\r\n");
  }
  // The commands written, without file data.
  std::vector<std::string> Commands() const {
    std::vector<std::string> commands;
    for (const std::string& w : f.transport.writes) {
      if (!w.empty() && w.back() == '\r') commands.push_back(w);
    }
    return commands;
  }
  test::TransferFixture f;
  CommandState state;
};

TEST_F(SendToBoxTest, StopsChecksSendsAndReboots) {
  f.transport.Queue("OK\r");  // TerminateAll
  f.transport.Queue("OK\r");  // DeleteFile
  QueueUpToDateList();
  f.QueueSendAcks();
  f.transport.Queue("OK\r");  // reset
  SendToBox(f.ctx, state, "setup.xml");
  EXPECT_EQ(Commands(),
            (std::vector<std::string>{"TerminateAll\r",
                                      "DeleteFile //mnt//kavel//kavel//run//project//quectel.log\r",
                                      "GetAllVersion\r", "Download setup.xml\r", "reset\r"}));
  EXPECT_NE(f.transport.Written().find("<QXBoxSet/>"), std::string::npos);
  EXPECT_EQ(f.LogLines(),
            (std::vector<std::string>{"stopping_orbo", "detect_fireware", "is_up_to_date",
                                      "download_config_file", "download_success", "reboot_orbo"}));
  EXPECT_EQ(f.view.scripts().back(), "DisableOperate(true);");
  EXPECT_EQ(f.sleeper.pauses(), (std::vector<int64_t>{2000}));
  EXPECT_EQ(state.linkDown, 1);
  EXPECT_EQ(state.detectRequested, 1);
}

TEST_F(SendToBoxTest, ABoxThatWillNotStopIsLeftAlone) {
  f.transport.Queue("ERROR\r");
  SendToBox(f.ctx, state, "setup.xml");
  EXPECT_EQ(Commands(), (std::vector<std::string>{"TerminateAll\r"}));
  EXPECT_EQ(f.LogLines(), (std::vector<std::string>{"stopping_orbo", "stop_orbo_failed"}));
  EXPECT_TRUE(f.sleeper.pauses().empty());
  EXPECT_EQ(state.linkDown, 0);
  EXPECT_EQ(state.detectRequested, 0);
}

TEST_F(SendToBoxTest, AFailedFirmwareStepSkipsTheFileButStillReboots) {
  f.transport.Queue("OK\r");
  f.transport.Queue("OK\r");
  f.transport.Queue("0006");
  f.transport.Queue("ERROR\r");
  f.transport.Queue("OK\r");
  SendToBox(f.ctx, state, "cloudprj.kzrp");
  EXPECT_EQ(Commands().back(), "reset\r");
  for (const std::string& c : Commands()) EXPECT_EQ(c.rfind("Download", 0), std::string::npos);
  EXPECT_TRUE(f.Logged("detect_fireware_failed"));
  EXPECT_FALSE(f.Logged("download_project_file"));
  EXPECT_TRUE(f.Logged("reboot_orbo"));
  EXPECT_EQ(state.linkDown, 1);
  EXPECT_EQ(state.detectRequested, 1);
}

TEST_F(SendToBoxTest, AProjectThatCannotBeOpenedIsReportedAndTheBoxReboots) {
  f.transport.Queue("OK\r");
  f.transport.Queue("OK\r");
  QueueUpToDateList();
  f.transport.Queue("OK\r");
  state.transferPath = f.dir / "gone.kzrp";
  SendToBox(f.ctx, state, "cloudprj.kzrp");
  EXPECT_EQ(f.LogLines(),
            (std::vector<std::string>{"stopping_orbo", "detect_fireware", "is_up_to_date",
                                      "download_project_file", "download_failed", "reboot_orbo"}));
  EXPECT_EQ(Commands().back(), "reset\r");
}

TEST_F(SendToBoxTest, FetchWritesTheChosenFileOnlyOnSuccess) {
  state.transferPath = f.dir.Write("mine.kzrp", "keep me");
  state.uploadPassword = "wrong";
  f.transport.Queue("UpLoadStat:1");
  EXPECT_FALSE(FetchFromBox(f.ctx, state, "cloudprj.kzrp"));
  EXPECT_EQ(f.transport.Written(), "Upload cloudprj.kzrp wrong\r");
  EXPECT_TRUE(f.Logged("upload_password_invalid"));
  EXPECT_EQ(f.dir.Read("mine.kzrp"), "keep me");
}

}  // namespace
}  // namespace orbo
