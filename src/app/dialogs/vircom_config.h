// The rules of the tool's settings dialog (CVirComConfig) without the
// toolkit: what each control shows, whether it is shown and usable, what
// the three lists hold, and what each button does. The view draws the
// model after every call and hands in the list entry the user chose.
#pragma once

#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace orbo {

class BrowserList;
class PortControl;
class Prompts;
class SettingsStore;
class Sleeper;
struct EditorSettings;

// The dialog's controls by their identifiers.
enum VirComControl : int {
  kPortGroup = 1005,
  kVirtualGroup = 1006,
  kComList = 1007,
  kComApply = 1008,
  kServiceButton = 1009,
  kServiceState = 1010,
  kServerOption = 1011,
  kBrowserList = 1013,
  kBrowserApply = 1014,
  kBrowserAdd = 1015,
  kBrowserGroup = 1016,
  kBrowserHint = 1017,
  kServerList = 1018,
  kServerApply = 1019,
  kServerGroup = 1020,
  kCertGroup = 1021,
  kHmiGroup = 1022,
  kHmiState = 1024,
  kHmiSettings = 1025,
  kCertImport = 1026,
  kTraffic = 1027,  // label: the running port's traffic counters
};

struct DialogControl {
  std::string text;
  bool visible = true;
  bool enabled = true;
};

struct DialogChoices {
  std::vector<std::string> entries;
  int selected = -1;  // -1: none
};

struct VirComConfigModel {
  std::string title;
  std::map<int, DialogControl> controls;  // every control of VirComControl
  bool serverOptionChecked = false;       // 1011
  DialogChoices com;                      // 1007
  DialogChoices browsers;                 // 1013
  DialogChoices servers;                  // 1018, sorted

  const DialogControl& at(int id) const { return controls.at(id); }
};

struct VirComConfigDeps {
  SettingsStore* settings = nullptr;  // the app directory, texts, "oem", "server", "bro"
  PortControl* port = nullptr;
  BrowserList* browsers = nullptr;
  Prompts* prompts = nullptr;  // message boxes and the browser program picker
  Sleeper* sleeper = nullptr;
  // Runs the download-settings dialog preset with the given choice; true
  // when it ended with OK. Empty: the dialog is not available.
  std::function<bool(const EditorSettings& preset)> runHmiDownConfig;
  // The certificate package import; true when a package was put in place.
  std::function<bool()> replaceCertificate;
  // Called while a long step runs, after the model changed, so the view can
  // show the change (the service button's "starting" text). May be empty.
  std::function<void()> showProgress;
};

class VirComConfig {
 public:
  explicit VirComConfig(VirComConfigDeps deps);

  // Fills every control: visibility by "oem", the service check, the texts
  // and the three lists.
  void Open();
  // 1009: stops a running service or starts a stopped one.
  void OnServiceButton();
  // 1008 with the COM entry the user chose.
  void OnApplyCom(const std::string& selected);
  // 1011 clicked: "server" follows the box and the settings are saved.
  void OnServerOption(bool checked);
  // 1014 with the browser entry chosen.
  void OnApplyBrowser(const std::string& selected);
  // 1015: pick a browser program.
  void OnAddBrowser();
  // 1019 with the server entry chosen.
  void OnApplyServer(const std::string& selected);
  // 1025 (the group is never shown): the download settings.
  void OnHmiSettings();
  // 1026: true when the dialog is to end with OK.
  bool OnCertificateImport();
  // 1027: the running port's counters now (empty while no port runs).
  void RefreshTraffic();

  const VirComConfigModel& model() const { return model_; }
  int serviceInstalled() const { return serviceInstalled_; }

 private:
  std::string Text(std::string_view key) const;
  void Alert(std::string_view key);
  bool Ask(std::string_view key);
  void SetText(int id, std::string_view key);
  void SetComUsable(bool usable);
  void ShowServiceState(bool running);
  bool EditorUsable() const;
  void FillComList();
  void FillBrowserList();
  void FillServerList();

  VirComConfigDeps deps_;
  std::filesystem::path appDir_;
  VirComConfigModel model_;
  int serviceInstalled_ = 0;
};

}  // namespace orbo
