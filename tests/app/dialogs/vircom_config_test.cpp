// The settings dialog's rules over a port double, a temporary app
// directory and scripted prompts; and the download-settings rules.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/dialogs/hmi_down_config.h"
#include "app/dialogs/port_control.h"
#include "app/dialogs/vircom_config.h"
#include "base/base64.h"
#include "desktop/browser_list.h"
#include "settings/app_settings.h"
#include "support/fake_sleeper.h"
#include "support/scripted_prompts.h"
#include "support/temp_dir.h"

namespace orbo {
namespace {

constexpr char kInUse[] = " (in use)";

// Records what the dialog does; the port "exists" while present is set.
class FakePort : public PortControl {
 public:
  bool serviceUp = true;
  bool present = true;
  int presentAfterDeletes = -1;  // -1: deleting never removes the port
  bool createWorks = true;
  int tunnel = 0;
  std::string name = "COM7";
  std::vector<std::string> calls;

  bool ConnectService() override {
    calls.push_back("connect");
    return serviceUp;
  }
  void DisconnectService() override { calls.push_back("disconnect"); }
  void EnableService() override { calls.push_back("enable"); }
  void DisableService() override { calls.push_back("disable"); }
  void DeletePortConnection() override {
    calls.push_back("delete");
    if (++deletes_ == presentAfterDeletes) present = false;
  }
  bool CreateAndVerifyPort() override {
    calls.push_back("create");
    present = createWorks;
    return present;
  }
  bool RebuildVirtualPort() override {
    calls.push_back("rebuild " + name);
    present = createWorks;
    return present;
  }
  bool IsComPortPresent(const std::string& n) override { return present && n == name; }
  vcom::ComChoices BuildComChoices(bool installed, const std::string& suffix) override {
    const std::string current = installed && present ? name + suffix : name;
    return {{"COM3", current, "COM9"}, 1};
  }
  std::string comName() override { return name; }
  void SetComName(const std::string& n) override { name = n; }
  int tunnelMode() override { return tunnel; }
  std::optional<vcom::PortTraffic> Traffic() override { return traffic; }
  std::optional<vcom::PortTraffic> traffic;

 private:
  int deletes_ = 0;
};

std::string Strings() {
  std::string table = "com_is_using=" + std::string(kInUse) + "\n" +
                      "port_traffic=@{sent} {received} {dropped} {reconnects}\n";
  for (const char* key : {"alert_title",        "button_config",        "virtual_config",
                          "detect_server_yes",  "detect_server_no",     "btn_uninstall_server",
                          "btn_install_server", "btn_start_up_server",  "reinstall_msg",
                          "is_install_server",  "install_server_error", "set_com_error",
                          "cert_file",          "cert_import",          "hmi_down_enabled",
                          "hmi_down_disabled",  "server_apply_failed",  "hmi_no_editor",
                          "hmi_no_ver",         "hmi_incompat_ver",     "hmi_save_failed"}) {
    table += std::string(key) + "=@" + key + "\n";
  }
  return table;
}

class VirComConfigTest : public ::testing::Test {
 protected:
  void SetUp() override { WriteIni("oem=0\n"); }
  void WriteIni(const std::string& extra) {
    app_.Write("SoftLang.ini", "[HMI]\nlang=en\nbro=Firefox\n" + extra);
    app_.Write("html/i18n/strings_en.properties", Base64Encode(Strings()));
    settings_.Load();
  }
  VirComConfig& Opened() {
    sleeper_ = std::make_unique<test::FakeSleeper>();
    VirComConfigDeps deps;
    deps.settings = &settings_;
    deps.port = &port_;
    deps.browsers = &browsers_;
    deps.prompts = &prompts_;
    deps.sleeper = sleeper_.get();
    deps.runHmiDownConfig = [this](const EditorSettings& preset) {
      presets_.push_back(preset.folder + "|" + preset.version);
      return hmiAnswer_;
    };
    deps.replaceCertificate = [this] { return certAnswer_; };
    deps.showProgress = [this] { progress_ = dialog_->model().at(kServiceButton).text; };
    dialog_ = std::make_unique<VirComConfig>(deps);
    dialog_->Open();
    port_.calls.clear();
    return *dialog_;
  }
  std::vector<std::string> Messages() const {
    std::vector<std::string> texts;
    for (const auto& a : prompts_.asked()) {
      EXPECT_EQ(a.caption, "@alert_title");
      texts.push_back(a.kind + " " + a.text);
    }
    return texts;
  }
  std::string Text(int id) const { return dialog_->model().at(id).text; }
  bool Enabled(int id) const { return dialog_->model().at(id).enabled; }
  bool Visible(int id) const { return dialog_->model().at(id).visible; }

  test::TempDir app_;
  SettingsStore settings_{app_.path()};
  FakePort port_;
  BrowserList browsers_;
  test::ScriptedPrompts prompts_;
  std::unique_ptr<test::FakeSleeper> sleeper_;  // fresh for each opening
  bool hmiAnswer_ = false;
  bool certAnswer_ = false;
  std::vector<std::string> presets_;
  std::string progress_;  // the service button's text when progress was shown
  std::unique_ptr<VirComConfig> dialog_;
};

TEST_F(VirComConfigTest, OpeningFollowsOemTheServiceAndThePort) {
  struct Case {
    int oem;
    bool up, present;
    const char* state;
    const char* button;
    bool comUsable;
  } cases[] = {
      {0, true, true, "@detect_server_yes", "@btn_uninstall_server", true},
      {1, true, false, "@detect_server_yes", "@btn_uninstall_server", false},
      {0, false, false, "@detect_server_no", "@btn_install_server", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.state + std::string(c.present ? " present" : " absent"));
    WriteIni("oem=" + std::to_string(c.oem) + "\nserver=1\n");
    port_.serviceUp = c.up;
    port_.present = c.present;
    VirComConfig& d = Opened();
    EXPECT_EQ(d.model().title, "@button_config");
    EXPECT_EQ(Text(kVirtualGroup), "@virtual_config");
    EXPECT_EQ(Text(kServiceState), c.state);
    EXPECT_EQ(Text(kServiceButton), c.button);
    EXPECT_EQ(d.serviceInstalled(), c.up ? 1 : 0);
    EXPECT_EQ(Enabled(kComList), c.comUsable);
    EXPECT_EQ(Enabled(kComApply), c.comUsable);
    for (int id : {kServerGroup, kServerList, kServerApply}) EXPECT_EQ(Visible(id), c.oem == 0);
    for (int id : {kCertGroup, kCertImport}) EXPECT_EQ(Visible(id), c.oem != 0);
    for (int id : {kHmiGroup, kHmiState, kHmiSettings}) EXPECT_FALSE(Visible(id));
    EXPECT_EQ(Text(kHmiState), "@hmi_down_disabled");
    EXPECT_TRUE(d.model().serverOptionChecked);
    EXPECT_EQ(d.model().com.entries[1], c.up && c.present ? "COM7 (in use)" : "COM7");
    EXPECT_EQ(d.model().com.selected, 1);
    EXPECT_EQ(Text(kTraffic), "");  // no counters without a running port
  }
  // The running port's counters, read again on each refresh.
  port_.traffic = vcom::PortTraffic{1048576, 512, 3, 1};
  VirComConfig& d = Opened();
  EXPECT_EQ(Text(kTraffic), "@1048576 512 3 1");
  port_.traffic->toNetwork = 2000000;
  d.RefreshTraffic();
  EXPECT_EQ(Text(kTraffic), "@2000000 512 3 1");
}

TEST_F(VirComConfigTest, StoppingTheService) {
  struct Case {
    int tunnel;
    bool answer;
    int goneAfter;
    int deletes;  // -1: nothing is done
  } cases[] = {{0, false, -1, 6}, {0, false, 2, 2}, {1, true, 1, 1}, {1, false, 1, -1}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.goneAfter);
    port_ = FakePort{};
    port_.tunnel = c.tunnel;
    port_.presentAfterDeletes = c.goneAfter;
    VirComConfig& d = Opened();
    if (c.tunnel == 1) prompts_.AnswerYesNo(c.answer);
    d.OnServiceButton();
    if (c.deletes < 0) {
      EXPECT_TRUE(port_.calls.empty());
      EXPECT_EQ(d.serviceInstalled(), 1);
      EXPECT_EQ(Text(kServiceButton), "@btn_uninstall_server");
      continue;
    }
    std::vector<std::string> expected(static_cast<size_t>(c.deletes), "delete");
    expected.push_back("disable");
    EXPECT_EQ(port_.calls, expected);
    EXPECT_EQ(sleeper_->pauses(), std::vector<int64_t>(static_cast<size_t>(c.deletes), 200));
    EXPECT_EQ(d.serviceInstalled(), 0);
    EXPECT_EQ(Text(kServiceState), "@detect_server_no");
    EXPECT_EQ(Text(kServiceButton), "@btn_install_server");
    EXPECT_FALSE(Enabled(kComApply));
  }
  EXPECT_EQ(Messages(), (std::vector<std::string>{"yesno @reinstall_msg", "yesno @reinstall_msg"}));
}

TEST_F(VirComConfigTest, StartingTheService) {
  struct Case {
    bool up, creates;
    std::vector<std::string> calls;
    const char* message;
    int installed;
  } cases[] = {
      {false, true, {"enable", "connect"}, "message @is_install_server", 0},
      {true, false, {"enable", "connect", "create", "disable"}, "message @install_server_error", 0},
      {true, true, {"enable", "connect", "create"}, nullptr, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.calls.size());
    port_ = FakePort{};
    port_.serviceUp = false;
    VirComConfig& d = Opened();
    port_.serviceUp = c.up;
    port_.createWorks = c.creates;
    d.OnServiceButton();
    EXPECT_EQ(port_.calls, c.calls);
    EXPECT_EQ(progress_, "@btn_start_up_server");
    EXPECT_EQ(sleeper_->pauses().front(), 500);
    EXPECT_EQ(d.serviceInstalled(), c.installed);
    EXPECT_EQ(Text(kServiceButton), c.installed ? "@btn_uninstall_server" : "@btn_install_server");
    EXPECT_EQ(Enabled(kComList), c.installed == 1);
    const auto messages = Messages();
    if (c.message) {
      EXPECT_EQ(messages.back(), c.message);
    }
    EXPECT_EQ(d.model().com.entries[1], c.installed ? "COM7 (in use)" : "COM7");
  }
  EXPECT_EQ(Messages().size(), 2u);
}

TEST_F(VirComConfigTest, ApplyingAComName) {
  struct Case {
    const char* selected;
    int tunnel;
    bool answer, up, present, creates;
    std::vector<std::string> calls;
    const char* message;
  } cases[] = {
      {"COM7 (in use)", 0, false, true, true, true, {}, nullptr},
      {"", 0, false, true, true, true, {}, nullptr},
      {"COM9", 1, false, true, true, true, {}, nullptr},
      {"COM9", 0, false, false, true, true, {"connect"}, "message @is_install_server"},
      {"COM9", 1, true, true, true, false, {"connect", "rebuild COM9"}, "message @set_com_error"},
      // The current port's entry has no suffix while the port is absent:
      // it is rebuilt under the same name.
      {"COM7", 0, false, true, false, true, {"connect", "rebuild COM7"}, nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.selected) + " " + std::to_string(c.calls.size()));
    port_ = FakePort{};
    port_.present = c.present;
    VirComConfig& d = Opened();
    port_.tunnel = c.tunnel;
    port_.serviceUp = c.up;
    port_.createWorks = c.creates;
    if (c.tunnel == 1) prompts_.AnswerYesNo(c.answer);
    const size_t before = Messages().size();
    d.OnApplyCom(c.selected);
    EXPECT_EQ(port_.calls, c.calls);
    std::vector<std::string> shown;
    const auto messages = Messages();
    for (size_t i = before; i < messages.size(); ++i) {
      if (messages[i].rfind("message", 0) == 0) shown.push_back(messages[i]);
    }
    EXPECT_EQ(shown, c.message ? std::vector<std::string>{c.message} : std::vector<std::string>{});
    if (c.calls.size() == 2 && c.creates) {
      EXPECT_EQ(d.model().com.entries[1], port_.name + kInUse);
    }
  }
}

TEST_F(VirComConfigTest, ServerProfilesAndTheOption) {
  app_.Write("Servers/China.xml", "cn");
  app_.Write("Servers/china.xml", "lower");
  app_.Write("Servers/Europe.xml", "eu");
  app_.Write("html/Default.xml", "old");
  VirComConfig& d = Opened();
  // Case matters: only "China" is the current one (default "curserver").
  EXPECT_EQ(d.model().servers.entries,
            (std::vector<std::string>{"China (in use)", "Europe", "china"}));
  EXPECT_EQ(d.model().servers.selected, 0);

  d.OnApplyServer("China (in use)");
  EXPECT_EQ(app_.Read("html/Default.xml"), "old");
  d.OnApplyServer("Gone");
  EXPECT_EQ(app_.Read("html/Default.xml"), "old");
  EXPECT_EQ(ReadCurServer(app_.path()), "China");
  EXPECT_EQ(Messages(), std::vector<std::string>{"message @server_apply_failed"});

  d.OnApplyServer("Europe");
  EXPECT_EQ(app_.Read("html/Default.xml"), "eu");
  EXPECT_EQ(ReadCurServer(app_.path()), "Europe");
  EXPECT_EQ(d.model().servers.entries,
            (std::vector<std::string>{"China", "Europe (in use)", "china"}));
  EXPECT_EQ(d.model().servers.selected, 1);

  d.OnServerOption(true);
  settings_.Load();
  EXPECT_EQ(settings_.Get().server, 1);
  d.OnServerOption(false);
  settings_.Load();
  EXPECT_EQ(settings_.Get().server, 0);
}

TEST_F(VirComConfigTest, BrowsersChosenAndAdded) {
  browsers_.Append("Chrome", "/usr/bin/chrome");
  browsers_.Append("Firefox", "/usr/bin/firefox");
  VirComConfig& d = Opened();
  EXPECT_EQ(d.model().browsers.entries, (std::vector<std::string>{"Chrome", "Firefox (in use)"}));
  EXPECT_EQ(d.model().browsers.selected, 1);

  d.OnApplyBrowser("Firefox (in use)");
  EXPECT_EQ(sleeper_->pauses().size(), 0u);
  d.OnApplyBrowser("Chrome");
  EXPECT_EQ(settings_.Get().bro, "Chrome");
  // Name and path both, so a link opens in the chosen browser.
  EXPECT_EQ(browsers_.selectedName(), "Chrome");
  EXPECT_EQ(browsers_.selectedPath(), "/usr/bin/chrome");
  EXPECT_EQ(sleeper_->pauses(), std::vector<int64_t>{100});
  EXPECT_EQ(d.model().browsers.selected, 0);

  // A listed program selects its entry; another is appended, not selected.
  prompts_.ChooseFile(std::filesystem::path("/usr/bin/firefox"));
  prompts_.ChooseFile(std::filesystem::path("/opt/web/surf"));
  prompts_.ChooseFile(std::nullopt);
  d.OnAddBrowser();
  EXPECT_EQ(settings_.Get().bro, "Firefox");
  EXPECT_EQ(browsers_.selectedName(), "Firefox");
  d.OnAddBrowser();
  d.OnAddBrowser();
  EXPECT_EQ(d.model().browsers.entries,
            (std::vector<std::string>{"Chrome", "Firefox (in use)", "surf"}));
  EXPECT_EQ(browsers_.selectedPath(), "/usr/bin/firefox");
  EXPECT_TRUE(prompts_.asked()[0].options.default_ext.empty());
}

TEST_F(VirComConfigTest, DownloadSettingsAndCertificate) {
  VirComConfig& d = Opened();
  d.OnHmiSettings();
  EXPECT_EQ(Text(kHmiState), "@hmi_down_disabled");
  // A usable configured editor is the preset.
  app_.Write("ed/simulation/ieg/HMIUI.exe", "MZ");
  app_.Write("ed/Download.exe", "MZ");
  ASSERT_TRUE(SaveEditorSettings(app_.path(), {(app_ / "ed/").string(), "3.2"}));
  hmiAnswer_ = true;
  d.OnHmiSettings();
  EXPECT_EQ(presets_, (std::vector<std::string>{"|", (app_ / "ed/").string() + "|3.2"}));
  EXPECT_EQ(Text(kHmiState), "@hmi_down_enabled");

  EXPECT_FALSE(d.OnCertificateImport());
  certAnswer_ = true;
  EXPECT_TRUE(d.OnCertificateImport());
}

TEST(HmiDownConfig, RowsBrowseAndConfirm) {
  test::TempDir dir;
  auto editor = [&](const std::string& rel, bool download, const std::string& version) {
    dir.Write(rel + "simulation/ieg/HMIUI.exe", "MZ");
    dir.Write(rel + "Editor.exe", "MZ");
    if (download) dir.Write(rel + "Download.exe", "MZ");
    dir.Write(rel + "ReleaseLog.log", "<HMISet><Hmi " + version + " /></HMISet>");
    return (dir / rel).string();
  };
  const std::string a = editor("a/", true, "Help_Ch=\"V1\"");
  const std::string noVersion = editor("b/", true, "");
  const std::string noDownload = editor("c/", false, "Help_Ch=\"V3\"");
  const std::string good = editor("d/", true, "Help_Ch=\"V4\"");
  test::ScriptedPrompts prompts;
  HmiDownConfigDeps deps{dir.path(), {a, noVersion}, &prompts, [](std::string_view key) {
                           return "@" + std::string(key);
                         }};
  HmiDownConfig config(deps, EditorSettings{});
  ASSERT_EQ(config.rows().size(), 1u);
  EXPECT_FALSE(config.confirmEnabled());
  EXPECT_FALSE(config.OnConfirm());
  config.OnRowClicked(5);
  EXPECT_FALSE(config.confirmEnabled());
  config.OnRowClicked(0);
  EXPECT_EQ(config.choice().version, "V1");

  // Refusals keep the earlier choice; a cancelled picker changes nothing.
  for (const std::string& folder : {noVersion, noDownload, (dir / "none").string()}) {
    prompts.ChooseFile(std::filesystem::path(folder.substr(0, folder.size() - 1)));
  }
  prompts.ChooseFile(std::nullopt);
  prompts.ChooseFile(std::filesystem::path(good));
  for (int i = 0; i < 5; ++i) config.OnBrowse();
  std::vector<std::string> messages;
  for (const auto& asked : prompts.asked()) {
    if (asked.kind == "message") messages.push_back(asked.text);
  }
  EXPECT_EQ(messages,
            (std::vector<std::string>{"@hmi_no_ver", "@hmi_incompat_ver", "@hmi_no_editor"}));
  EXPECT_EQ(config.choice().folder, good);
  EXPECT_EQ(config.choice().version, "V4");

  ASSERT_TRUE(config.OnConfirm());
  EditorSettings saved;
  LoadEditorSettings(dir.path(), &saved);
  EXPECT_EQ(saved.folder, good);
  EXPECT_EQ(saved.version, "V4");
}

}  // namespace
}  // namespace orbo
