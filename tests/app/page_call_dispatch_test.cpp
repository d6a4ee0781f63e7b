#include <gtest/gtest.h>

#include "app/bridge_fakes.h"
#include "base/codepage.h"
#include "support/temp_dir.h"

namespace orbo {
namespace {

class PageCallTest : public test::BridgeTest {
 protected:
  void SetUp() override {
    BridgeTest::SetUp();
    core_ = std::make_unique<MainFrameCore>(Services());
  }
  CommandState State() const { return core_->StateSnapshot(); }
  std::unique_ptr<MainFrameCore> core_;
};

TEST_F(PageCallTest, StartsWithAUsbDetectQueuedOnTheMonitorPage) {
  CommandState s = State();
  EXPECT_EQ(s.pendingCommand, 11);
  EXPECT_EQ(s.detectRequested, 1);
  EXPECT_EQ(s.linkDown, 0);
  EXPECT_EQ(s.offerSetupUpload, 1);
  EXPECT_EQ(s.connectMode, "USB:Download");
  EXPECT_EQ(core_->firstPagePath(), FirstPage());
  EXPECT_EQ(core_->monitorUrl(), "https://cloud.example/monitor");
  EXPECT_EQ(core_->currentPage(), core_->monitorUrl());
}

// Commands whose only effect is to queue themselves, without detection.
TEST_F(PageCallTest, PlainQueuedCommands) {
  for (int c : {1, 3, 4, 5, 6, 13, 17, 18, 25, 28, 1000, -4}) {
    SCOPED_TRACE(c);
    EXPECT_EQ(core_->HandlePageCall(std::to_string(c), "ignored"), 0);
    CommandState s = State();
    EXPECT_EQ(s.pendingCommand, c);
    EXPECT_EQ(s.detectRequested, 0);
    EXPECT_EQ(s.linkDown, 0);
  }
  EXPECT_TRUE(setup_.forms.empty());
  EXPECT_TRUE(prompts_.asked().empty());
}

TEST_F(PageCallTest, LinkSelectionCommandsStoreTheirValueAndRequestDetection) {
  EXPECT_EQ(core_->HandlePageCall("11", "LocalNetwork"), 0);
  EXPECT_EQ(State().connectMode, "LocalNetwork");
  EXPECT_EQ(State().pendingCommand, 11);
  EXPECT_EQ(State().detectRequested, 1);

  EXPECT_EQ(core_->HandlePageCall("12", "192.168.1.20"), 0);
  EXPECT_EQ(State().boxAddress, "192.168.1.20");
  EXPECT_EQ(State().detectRequested, 1);

  // An empty address clears the old one and asks for no detection.
  EXPECT_EQ(core_->HandlePageCall("12", ""), 0);
  EXPECT_EQ(State().boxAddress, "");
  EXPECT_EQ(State().pendingCommand, 12);
  EXPECT_EQ(State().detectRequested, 0);

  EXPECT_EQ(core_->HandlePageCall("10", " 3"), 0);
  EXPECT_EQ(State().listScanArg, 3);
  EXPECT_EQ(State().pendingCommand, 10);
  EXPECT_EQ(State().detectRequested, 1);
}

TEST_F(PageCallTest, ValueCommandsStoreTheirArgument) {
  EXPECT_EQ(core_->HandlePageCall("16", "2"), 0);
  EXPECT_EQ(State().boxMode, 2);
  EXPECT_EQ(State().pendingCommand, 16);
  EXPECT_EQ(core_->HandlePageCall("16", "mode"), 0);
  EXPECT_EQ(State().boxMode, 0);
  EXPECT_EQ(core_->HandlePageCall("22", "China Standard Time"), 0);
  EXPECT_EQ(State().timeZone, "China Standard Time");
  EXPECT_EQ(State().pendingCommand, 22);
}

// 7, 8, 23 and 24 act at once and leave the queue alone.
TEST_F(PageCallTest, ImmediateCommandsDoNotQueue) {
  EXPECT_EQ(core_->HandlePageCall("7", "{\"ip\":\"1.2.3.4\"}"), 0);  // failure is not returned
  EXPECT_EQ(pass_.applied, std::vector<std::string>{"{\"ip\":\"1.2.3.4\"}"});
  EXPECT_EQ(core_->HandlePageCall("8", ""), 0);
  EXPECT_EQ(pass_.ended, 1);

  editor_.usable = 1;
  EXPECT_EQ(core_->HandlePageCall("23", "folder?"), 1);
  editor_.usable = 0;
  EXPECT_EQ(core_->HandlePageCall("23", ""), 0);
  EXPECT_EQ(editor_.folders, (std::vector<std::string>{"", ""}));  // always the configured one
  EXPECT_EQ(core_->HandlePageCall("24", "{\"com\":1}"), -3);
  EXPECT_EQ(editor_.launched, std::vector<std::string>{"{\"com\":1}"});

  CommandState s = State();
  EXPECT_EQ(s.pendingCommand, 11);
  EXPECT_EQ(s.detectRequested, 1);
}

TEST_F(PageCallTest, SetupFileBuiltThenDownloadQueued) {
  const std::string form =
      "Net\x02ip\x02"
      "1.2.3.4";
  EXPECT_EQ(core_->HandlePageCall("0", form), 0);
  EXPECT_EQ(setup_.forms, std::vector<std::string>{form});
  EXPECT_EQ(State().transferPath, dir_.path() / "setup.xml");
  EXPECT_EQ(State().pendingCommand, 3);
  EXPECT_TRUE(prompts_.asked().empty());
}

TEST_F(PageCallTest, SetupFileFailureShowsMessageAndQueuesNothing) {
  setup_.result = -1;
  EXPECT_EQ(core_->HandlePageCall("0", "x"), 2);
  auto asked = prompts_.asked();
  ASSERT_EQ(asked.size(), 1u);
  EXPECT_EQ(asked[0].kind, "message");
  EXPECT_EQ(asked[0].caption, "Notice");
  EXPECT_EQ(asked[0].text, "Saving the configuration failed");
  EXPECT_EQ(State().pendingCommand, 11);

  // Command 9 only keeps the file: its failure is silent and 9 is queued.
  EXPECT_EQ(core_->HandlePageCall("9", "x"), 0);
  EXPECT_EQ(prompts_.asked().size(), 1u);
  EXPECT_EQ(State().pendingCommand, 9);
}

TEST_F(PageCallTest, BadCommandTextRunsCommandZero) {
  for (const char* v1 : {"", "abc", "  ", "-", "x23"}) {
    SCOPED_TRACE(v1);
    setup_.forms.clear();
    EXPECT_EQ(core_->HandlePageCall(v1, "f"), 0);
    EXPECT_EQ(setup_.forms.size(), 1u);
    EXPECT_EQ(State().pendingCommand, 3);
  }
  EXPECT_EQ(core_->HandlePageCall(" \t23", ""), 1);  // leading space is skipped
}

TEST_F(PageCallTest, ConfigurationUploadResetsPathAndPassword) {
  prompts_.ChooseFile(std::nullopt);
  core_->HandlePageCall("15", "pw");
  ASSERT_EQ(State().uploadPassword, "pw");
  EXPECT_EQ(core_->HandlePageCall("2", ""), 0);
  EXPECT_EQ(State().uploadPassword, "");
  EXPECT_EQ(State().transferPath, dir_.path() / "setup.xml");
  EXPECT_EQ(State().pendingCommand, 2);
}

TEST_F(PageCallTest, OpenProjectDialog) {
  const auto chosen = dir_.Write("my.kzrp", "x");
  prompts_.ChooseFile(chosen);
  EXPECT_EQ(core_->HandlePageCall("14", ""), 0);
  auto asked = prompts_.asked();
  ASSERT_EQ(asked.size(), 1u);
  EXPECT_EQ(asked[0].kind, "open");
  EXPECT_EQ(asked[0].options.filter_name, "Cloud Project(*.kzrp)");
  EXPECT_EQ(asked[0].options.filter_pattern, "*.kzrp");
  EXPECT_EQ(asked[0].options.default_ext, ".kzrp");
  EXPECT_TRUE(asked[0].options.must_exist);
  EXPECT_EQ(State().transferPath, chosen);
  EXPECT_EQ(State().pendingCommand, 14);

  // Cancel: 1, nothing queued, the path stays.
  core_->HandlePageCall("1", "");
  EXPECT_EQ(core_->HandlePageCall("14", ""), 1);
  EXPECT_EQ(State().pendingCommand, 1);
  EXPECT_EQ(State().transferPath, chosen);
}

TEST_F(PageCallTest, SaveProjectDialog) {
  ScopedCodepage cp("CP1252");
  prompts_.ChooseFile(dir_.path() / "Backup.KZRP");
  EXPECT_EQ(core_->HandlePageCall("15", "p\xC3\xA4ss"), 0);
  auto asked = prompts_.asked();
  ASSERT_EQ(asked.size(), 1u);
  EXPECT_EQ(asked[0].kind, "save");
  EXPECT_TRUE(asked[0].options.overwrite_prompt);
  EXPECT_EQ(asked[0].options.default_ext, ".kzrp");
  EXPECT_EQ(State().uploadPassword, "p\xE4ss");  // 8-bit, in the code page
  EXPECT_EQ(State().transferPath, dir_.path() / "Backup.KZRP.kzrp");
  EXPECT_EQ(State().pendingCommand, 15);

  prompts_.ChooseFile(dir_.path() / "b.kzrp");
  core_->HandlePageCall("15", "");
  EXPECT_EQ(State().transferPath, dir_.path() / "b.kzrp");

  // Cancel keeps the password just given but queues nothing.
  core_->HandlePageCall("4", "");
  EXPECT_EQ(core_->HandlePageCall("15", "new"), 1);
  EXPECT_EQ(State().uploadPassword, "new");
  EXPECT_EQ(State().transferPath, dir_.path() / "b.kzrp");
  EXPECT_EQ(State().pendingCommand, 4);
}

TEST_F(PageCallTest, WifiEntriesAreSavedAndRemoved) {
  EXPECT_EQ(core_->HandlePageCall("19", "Office\x02s3cret"), 0);
  EXPECT_EQ(core_->HandlePageCall("19", "Lab"), 0);
  EXPECT_EQ(core_->HandlePageCall("20", "Office"), 0);
  ASSERT_EQ(wifi_.saved.size(), 2u);
  EXPECT_EQ(wifi_.saved[0], test::FakeWifiStore::Entry("Office", "s3cret"));
  EXPECT_EQ(wifi_.saved[1], test::FakeWifiStore::Entry("Lab", std::nullopt));
  EXPECT_EQ(wifi_.removed, std::vector<std::string>{"Office"});
  EXPECT_EQ(State().pendingCommand, 20);

  // Over 255 bytes, or no name (the password would become the name):
  // refused, nothing saved, but still queued.
  for (const std::string& refused :
       {std::string(250, 'n') + "\x02" + "password", std::string("\x02password"),
        std::string("\x02\x02password")}) {
    core_->HandlePageCall("4", "");
    EXPECT_EQ(core_->HandlePageCall("19", refused), 0);
    EXPECT_EQ(wifi_.saved.size(), 2u);
    EXPECT_EQ(State().pendingCommand, 19);
  }
}

TEST_F(PageCallTest, FirstStartIsClearedOnceInMemoryAndFile) {
  ASSERT_EQ(settings_->Get().first, 1);
  EXPECT_EQ(core_->HandlePageCall("21", ""), 0);
  EXPECT_EQ(settings_->Get().first, 0);
  EXPECT_EQ(State().pendingCommand, 21);
  SettingsStore reread(dir_.path());
  reread.Load();
  EXPECT_EQ(reread.Get().first, 0);

  // Already 0: the file is not touched again.
  const std::string marker = "[HMI]\r\nfirst=1\r\n; hand-edited\r\n";
  test::WriteAll(dir_.path() / "SoftLang.ini", marker);
  EXPECT_EQ(core_->HandlePageCall("21", ""), 0);
  EXPECT_EQ(dir_.Read("SoftLang.ini"), marker);
}

}  // namespace
}  // namespace orbo
