// The port's life cycle against recording doubles: start-up, creation and
// retry cycles, pass-through requests and service control.
#include <gtest/gtest.h>

#include "base/base64.h"
#include "settings/app_settings.h"
#include "support/echo_server.h"
#include "support/fake_sleeper.h"
#include "support/recording_view.h"
#include "support/scripted_prompts.h"
#include "support/temp_dir.h"
#include "vcom/fake_sec_library.h"
#include "vcom/virtual_port.h"

namespace orbo::test {
namespace {

using namespace orbo::vcom;

struct Texts : StatusText {
  std::vector<std::string> shown;
  void ShowStatusText(const std::string& text) override { shown.push_back(text); }
};

// A port wired to doubles; a started "enable" brings the service up, and
// putting a connection into service makes its port present.
struct Rig {
  TempDir dir;
  FakeSecLibrary lib;
  FakeComPorts ports;
  FakeRunner runner;
  FakeSleeper sleeper;
  ScriptedPrompts prompts;
  Texts window;
  RecordingView view;
  std::unique_ptr<PageScripts> scripts;
  std::unique_ptr<SettingsStore> settings;
  std::unique_ptr<ServiceControl> service;
  std::unique_ptr<VirtualPort> port;

  Rig() {
    dir.Write("SoftLang.ini", "[HMI]\nlang=en\nVirCom=COM7\n");
    dir.Write("html/i18n/strings_en.properties",
              Base64Encode("installing_server=installing\nenable_server=enabling\n"
                           "install_server_success=installed\nstatu_ready=ready\n"
                           "create_error=no port\nalert_title=Alert\n"
                           "relay_listen_error=no relay on {port}\n"));
    settings = std::make_unique<SettingsStore>(dir.path());
    settings->Load();
    runner.onRun = [this](const std::string& cmd) {
      if (cmd == "enable") lib.serviceUp = true;
      if (cmd == "disable") lib.serviceUp = false;
      if (cmd == "delete ORBO_COM") ports.present.clear();
    };
    lib.onAdd = [this](int32_t id) {
      if (auto* name = lib.Param(id, "port.name")) ports.present.insert(name->text());
    };
    service = std::make_unique<ServiceControl>(
        lib, runner, sleeper, [this](std::string_view k) { return settings->LookupText(k); },
        &window);
    scripts = std::make_unique<PageScripts>(
        &view, [this](std::string_view k) { return settings->LookupText(k); });
    port = std::make_unique<VirtualPort>(VirtualPortDeps{
        &lib, service.get(), &ports, &sleeper, settings.get(), &prompts, &window, scripts.get()});
  }
  std::vector<std::string> SetNames() const {
    std::vector<std::string> names;
    for (const auto& c : lib.calls) {
      if (c.rfind("set ", 0) == 0) names.push_back(c.substr(4));
    }
    return names;
  }
};

TEST(VirtualPort, StartUpInstallsTheServiceCreatesThePortAndReports) {
  Rig rig;
  rig.lib.serviceUp = false;
  rig.port->StartVirtualPortThread(nullptr);
  rig.port->RemoveAtExit();  // waits for the start-up thread first
  EXPECT_EQ(rig.window.shown,
            (std::vector<std::string>{"installing", "enabling", "installed", "ready"}));
  EXPECT_TRUE(rig.port->portReady());
  EXPECT_EQ(rig.SetNames().size(), 42u);
  EXPECT_EQ(rig.SetNames()[1], "port.name");
  const VirtualPortState s = rig.port->state();
  EXPECT_EQ(s.comName, "COM7");
  EXPECT_EQ(rig.lib.Param(1, "network.host")->items()[0].items()[1], SecValue::Text("5001"));
  EXPECT_TRUE(rig.prompts.asked().empty());
  // Removed at exit.
  EXPECT_EQ(rig.runner.started.back(), "delete ORBO_COM");
  EXPECT_TRUE(rig.ports.present.empty());
}

TEST(VirtualPort, ServiceThatNeverAnswersEndsQuietlyAndRefusedParameterAlerts) {
  {
    Rig rig;
    rig.lib.serviceUp = false;
    rig.runner.missing = {"uninstall", "install", "enable"};
    rig.port->StartVirtualPort(nullptr);
    EXPECT_TRUE(rig.window.shown.empty());  // no executable, no status text
    EXPECT_TRUE(rig.port->portReady());
  }
  Rig rig;
  rig.lib.refuseParam = "protocol.reconnect.enable";
  rig.port->StartVirtualPort(&rig.window);
  // Four attempts, none put into service, then the alert and still "ready".
  EXPECT_EQ(std::count(rig.lib.calls.begin(), rig.lib.calls.end(), "create"), 4);
  EXPECT_EQ(std::count(rig.lib.calls.begin(), rig.lib.calls.end(), "add"), 0);
  ASSERT_EQ(rig.prompts.asked().size(), 1u);
  EXPECT_EQ(rig.prompts.asked()[0].text, "no port");
  EXPECT_EQ(rig.window.shown.back(), "ready");
}

TEST(VirtualPort, SerialPassThroughAndBack) {
  Rig rig;
  rig.port->StartVirtualPort(nullptr);
  EXPECT_EQ(rig.port->ApplyPassThrough("{bad"), 0);
  EXPECT_EQ(rig.port->state().tunnelMode, 0);

  rig.lib.connections.clear();
  ASSERT_EQ(rig.port->ApplyPassThrough(R"({"url":"127.0.0.1:4001","check_bit":"ODD",
                                           "data_length":"8"})"),
            1);
  VirtualPortState s = rig.port->state();
  EXPECT_EQ(s.tunnelMode, 1);
  EXPECT_EQ(s.portSettings, "9600,O,8,1");
  auto id = rig.lib.connections.rbegin()->first;
  EXPECT_EQ(*rig.lib.Param(id, "network.host"), MakeHostPair("127.0.0.1", "4001"));
  EXPECT_EQ(*rig.lib.Param(id, "port.settings"), SecValue::Text("9600,O,8,1"));

  // A url without ":" keeps the previous target.
  ASSERT_EQ(rig.port->ApplyPassThrough(R"({"url":"nocolon"})"), 1);
  EXPECT_EQ(rig.port->state().remoteHost, "127.0.0.1");

  EXPECT_EQ(rig.port->EndPassThrough(), 1);
  s = rig.port->state();
  EXPECT_EQ(s.tunnelMode, 0);
  EXPECT_EQ(s.remoteHost, "localhost");
  EXPECT_EQ(s.remotePort, "5001");
  EXPECT_EQ(s.portSettings, "9600,E,7,1");  // the last pass-through's settings stay
}

TEST(VirtualPort, UnusableSettingsKeepThePortAndARelayThatCannotListenSaysSo) {
  Rig rig;
  rig.port->StartVirtualPort(nullptr);
  ASSERT_EQ(rig.port->ApplyPassThrough(R"({"url":"127.0.0.1:4001","baudrate":"256000"})"), 1);
  EXPECT_EQ(rig.port->state().portSettings, "256000,E,7,1");
  const auto calls = rig.lib.calls.size();
  const std::string kept = rig.port->state().comName;
  for (const char* bad : {R"({"url":"127.0.0.1:4002","baudrate":"0"})", R"({"baudrate":-9600})",
                          R"({"data_length":"9"})"}) {
    ASSERT_EQ(rig.port->ApplyPassThrough(bad), 1) << bad;
    EXPECT_EQ(rig.lib.calls.size(), calls) << "the service was touched for " << bad;
    EXPECT_TRUE(rig.ports.present.count(kept)) << bad;
    EXPECT_EQ(rig.port->state().remotePort, "4001") << bad;
  }
  EXPECT_EQ(rig.prompts.asked().size(), 3u);
  EXPECT_EQ(rig.prompts.asked().back().text, "no port");

  EchoServer taken;
  const std::string json =
      R"({"type":1,"url":"127.0.0.1:4001","e_port":)" + std::to_string(taken.port()) + "}";
  ASSERT_EQ(rig.port->ApplyPassThrough(json), 1);
  const std::string text = "no relay on " + std::to_string(taken.port());
  EXPECT_EQ(rig.window.shown.back(), text);
  ASSERT_FALSE(rig.view.scripts().empty());
  EXPECT_NE(rig.view.scripts().back().find(text), std::string::npos);
  EXPECT_FALSE(rig.port->relay().listening());
  EXPECT_EQ(rig.port->state().tunnelMode, 2);
}

TEST(VirtualPort, LeftoverTestConnectionIsRemovedWhenTpIsSet) {
  Rig rig;
  rig.dir.Write("SoftLang.ini", "[HMI]\nlang=en\nVirCom=COM7\ntp=1\n");
  rig.settings->Load();
  rig.lib.connections[40] = {{"name", SecValue::Text("TestVirCom")}};
  rig.port->StartVirtualPort(nullptr);
  EXPECT_EQ(rig.lib.connections.count(40), 0u);
  EXPECT_NE(std::find(rig.lib.calls.begin(), rig.lib.calls.end(), "delete 40"),
            rig.lib.calls.end());
}

TEST(ServiceControl, UninstallOnlyAfterAStartedDisable) {
  Rig rig;
  rig.service->UninstallService();
  EXPECT_EQ(rig.runner.started,
            (std::vector<std::string>{"delete ORBO_COM", "disable", "uninstall"}));
  rig.runner.started.clear();
  rig.runner.missing = {"disable"};
  rig.service->UninstallService();
  EXPECT_EQ(rig.runner.started, (std::vector<std::string>{"delete ORBO_COM"}));
}

}  // namespace
}  // namespace orbo::test
