#include <gtest/gtest.h>

#include <cstring>

#include "firmware_files.h"
#include "ops/transfer/transfer_ops.h"
#include "transfer_fixture.h"

namespace orbo {
namespace {

class FirmwareCheckTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::memcpy(f.ctx.typeReply.data(), "OP-S70\r", 7);
    test::WriteBoxTypes(f.dir, "<box Type=\"OP-S70\" SerialNo=\"OBX-100\" Kernel=\"ARM9\"/>\n");
    fs = test::SampleImage(3000, 1);
    os = test::SampleImage(2000, 2);
    test::WriteCatalogue(f.dir, "OBX-100",
                         {{"ARM9", "fs.img", "fsFLASH", "fsFLASHVER:", "V1.3.0-P:FS", fs, ""},
                          {"ARM9", "os.img", "zImage", "OSVER:", "V2.1.0", os, ""}});
  }
  void QueueList(const std::string& list) {
    char prefix[5];
    std::snprintf(prefix, sizeof(prefix), "%04zu", list.size());
    f.transport.Queue(prefix);
    f.transport.Queue(list);
  }
  std::vector<std::string> Announcements() const {
    std::vector<std::string> names;
    for (const std::string& w : f.transport.writes) {
      if (w.rfind("Download ", 0) == 0) names.push_back(w);
    }
    return names;
  }
  test::TransferFixture f;
  std::string fs, os;
};

TEST_F(FirmwareCheckTest, UpToDateBoxesAreNotAsked) {
  QueueList("fsFLASHVER:V1.3.0-P:FS\r\nOSVER:V2.1.0\r\n");
  EXPECT_TRUE(FirmwareCheck(f.ctx));
  EXPECT_EQ(f.LogLines(), (std::vector<std::string>{"detect_fireware", "is_up_to_date"}));
  EXPECT_TRUE(f.prompts.asked().empty());
  EXPECT_EQ(f.ctx.kernelFamily, "ARM9");
}

TEST_F(FirmwareCheckTest, DecliningTheUpdateLetsTheCallerGoOn) {
  QueueList("fsFLASHVER:V1.2.0-P:FS\r\nOSVER:V2.0.0\r\n");
  EXPECT_TRUE(FirmwareCheck(f.ctx));
  const auto asked = f.prompts.asked();
  ASSERT_EQ(asked.size(), 1u);
  EXPECT_EQ(asked[0].kind, "yesno");
  EXPECT_EQ(asked[0].caption, "alert_title");
  EXPECT_EQ(asked[0].text,
            "fsFLASHVER:V1.2.0-P:FS detect_new_firmware V1.3.0-P:FS\n"
            "OSVER:V2.0.0 detect_new_firmware V2.1.0\n"
            "\nis_update_firmware");
  EXPECT_TRUE(Announcements().empty());
}

TEST_F(FirmwareCheckTest, AcceptedUpdatesAreSentInOrder) {
  QueueList("fsFLASHVER:V1.2.0-P:FS\r\nOSVER:V2.0.0\r\n");
  f.prompts.AnswerYesNo(true);
  f.QueueSendAcks();
  f.QueueSendAcks();
  EXPECT_TRUE(FirmwareCheck(f.ctx));
  // The system component goes to the box as "update".
  EXPECT_EQ(Announcements(), (std::vector<std::string>{"Download fsFLASH\r", "Download update\r"}));
  const auto asked = f.prompts.asked();
  ASSERT_EQ(asked.size(), 3u);
  EXPECT_EQ(asked[1].kind, "message");
  EXPECT_EQ(asked[1].text, "update_note");
  EXPECT_EQ(f.LogLines(),
            (std::vector<std::string>{"detect_fireware", "download_filefsFLASH", "download_success",
                                      "download_filezImage", "download_success"}));
  EXPECT_NE(f.transport.Written().find(fs), std::string::npos);
  EXPECT_NE(f.transport.Written().find(os), std::string::npos);
}

TEST_F(FirmwareCheckTest, TheFirstFailedUpdateEndsTheCheck) {
  QueueList("fsFLASHVER:V1.2.0-P:FS\r\nOSVER:V2.0.0\r\n");
  f.prompts.AnswerYesNo(true);
  f.dir.Write("update/fs.img", "tampered");
  EXPECT_FALSE(FirmwareCheck(f.ctx));
  EXPECT_TRUE(Announcements().empty());
  EXPECT_EQ(f.LogLines(),
            (std::vector<std::string>{"detect_fireware", "download_filefsFLASH", "md5_error"}));
}

TEST_F(FirmwareCheckTest, UnreadableVersionsOrCatalogueFail) {
  f.transport.Queue("0006");
  f.transport.Queue("ERROR\r");
  EXPECT_FALSE(FirmwareCheck(f.ctx));
  EXPECT_EQ(f.LogLines(), (std::vector<std::string>{"detect_fireware", "detect_fireware_failed"}));

  f.view.Clear();
  f.dir.Write("Up.ibl", "<UpdateInfo>");
  QueueList("OSVER:V2.0.0\r\n");
  EXPECT_FALSE(FirmwareCheck(f.ctx));
  EXPECT_EQ(f.LogLines(),
            (std::vector<std::string>{"detect_fireware", "detect_soft_fireware_failed"}));

  f.view.Clear();
  std::memcpy(f.ctx.typeReply.data(), "XX-1\r\0", 6);
  QueueList("OSVER:V2.0.0\r\n");
  EXPECT_FALSE(FirmwareCheck(f.ctx));
  EXPECT_TRUE(f.Logged("detect_soft_fireware_failed"));
  EXPECT_TRUE(f.prompts.asked().empty());
}

}  // namespace
}  // namespace orbo
