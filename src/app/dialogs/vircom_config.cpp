#include "app/dialogs/vircom_config.h"

#include <algorithm>
#include <cstring>

#include "app/dialogs/port_control.h"
#include "base/file_util.h"
#include "base/logger.h"
#include "desktop/browser_list.h"
#include "formats/lists/server_list.h"
#include "hmi/editor_discovery.h"
#include "hmi/editor_settings.h"
#include "platform/prompts.h"
#include "platform/sleeper.h"
#include "settings/app_settings.h"
#include "settings/message_keys.h"

namespace orbo {
namespace {

constexpr int kStopAttempts = 6;
constexpr int64_t kStopPauseMs = 200;
constexpr int64_t kStartPauseMs = 500;
constexpr int64_t kBrowserPauseMs = 100;

constexpr int kAllControls[] = {
    kPortGroup,    kVirtualGroup, kComList,      kComApply,   kServiceButton, kServiceState,
    kServerOption, kBrowserList,  kBrowserApply, kBrowserAdd, kBrowserGroup,  kBrowserHint,
    kServerList,   kServerApply,  kServerGroup,  kCertGroup,  kHmiGroup,      kHmiState,
    kHmiSettings,  kCertImport,   kTraffic,
};

}  // namespace

VirComConfig::VirComConfig(VirComConfigDeps deps)
    : deps_(std::move(deps)), appDir_(deps_.settings->app_dir()) {
  for (int id : kAllControls) model_.controls[id] = DialogControl{};
}

std::string VirComConfig::Text(std::string_view key) const {
  return deps_.settings->LookupText(key);
}

void VirComConfig::Alert(std::string_view key) {
  deps_.prompts->Message(Text(keys::kAlertTitle), Text(key));
}

bool VirComConfig::Ask(std::string_view key) {
  return deps_.prompts->AskYesNo(Text(keys::kAlertTitle), Text(key));
}

void VirComConfig::SetText(int id, std::string_view key) {
  model_.controls[id].text = Text(key);
}

void VirComConfig::SetComUsable(bool usable) {
  model_.controls[kComList].enabled = usable;
  model_.controls[kComApply].enabled = usable;
}

void VirComConfig::ShowServiceState(bool running) {
  SetText(kServiceState, running ? keys::kDetectServerYes : keys::kDetectServerNo);
  SetText(kServiceButton, running ? keys::kBtnUninstallServer : keys::kBtnInstallServer);
}

bool VirComConfig::EditorUsable() const {
  EditorSettings editor;
  LoadEditorSettings(appDir_, &editor);
  return IsEditorUsable("", editor.folder);
}

void VirComConfig::Open() {
  const AppSettings settings = deps_.settings->Get();
  // A reseller build imports certificates; the vendor's own picks a server.
  const bool oem = settings.oem != 0;
  for (int id : {kServerGroup, kServerList, kServerApply}) model_.controls[id].visible = !oem;
  for (int id : {kCertGroup, kCertImport}) model_.controls[id].visible = oem;
  SetText(kCertGroup, keys::kCertFile);
  SetText(kCertImport, keys::kCertImport);
  model_.title = Text(keys::kButtonConfig);
  SetText(kVirtualGroup, keys::kVirtualConfig);

  if (deps_.port->ConnectService()) {
    deps_.port->DisconnectService();
    serviceInstalled_ = 1;
    ShowServiceState(true);
    if (!deps_.port->IsComPortPresent(deps_.port->comName())) SetComUsable(false);
  } else {
    ShowServiceState(false);
    SetComUsable(false);
  }

  SetText(kPortGroup, keys::kUsingCom);
  SetText(kComApply, keys::kBtnSet);
  SetText(kServerOption, keys::kUninServer);
  SetText(kBrowserGroup, keys::kBrowser);
  SetText(kBrowserHint, keys::kRecommend);
  SetText(kBrowserApply, keys::kBtnSet);
  SetText(kBrowserAdd, keys::kBrowse);
  SetText(kServerGroup, keys::kCurserver);
  SetText(kServerApply, keys::kBtnSet);
  SetText(kHmiSettings, keys::kBtnSet);
  model_.serverOptionChecked = settings.server != 0;
  // The download settings group is made but never shown.
  for (int id : {kHmiGroup, kHmiState, kHmiSettings}) model_.controls[id].visible = false;
  SetText(kHmiState, EditorUsable() ? keys::kHmiDownEnabled : keys::kHmiDownDisabled);

  FillComList();
  FillServerList();
  FillBrowserList();
  RefreshTraffic();
}

void VirComConfig::RefreshTraffic() {
  const std::optional<vcom::PortTraffic> traffic = deps_.port->Traffic();
  std::string text;
  if (traffic) {
    text = Text(keys::kPortTraffic);
    for (const auto& [name, value] :
         {std::pair<const char*, uint64_t>{"{sent}", traffic->toNetwork},
          {"{received}", traffic->fromNetwork},
          {"{dropped}", traffic->dropped},
          {"{reconnects}", traffic->reconnects}}) {
      const size_t at = text.find(name);
      if (at != std::string::npos) text.replace(at, std::strlen(name), std::to_string(value));
    }
  }
  model_.controls[kTraffic].text = text;
}

void VirComConfig::FillComList() {
  const vcom::ComChoices choices =
      deps_.port->BuildComChoices(serviceInstalled_ != 0, Text(keys::kComIsUsing));
  model_.com.entries = choices.entries;
  model_.com.selected = choices.entries.empty() ? -1 : choices.current;
}

void VirComConfig::OnServiceButton() {
  PortControl& port = *deps_.port;
  if (serviceInstalled_ == 1) {
    if (port.tunnelMode() == 1 && !Ask(keys::kReinstallMsg)) return;
    for (int attempt = 0; attempt < kStopAttempts; ++attempt) {
      port.DeletePortConnection();
      deps_.sleeper->SleepMs(kStopPauseMs);
      if (!port.IsComPortPresent(port.comName())) break;
    }
    port.DisableService();
    serviceInstalled_ = 0;
    ShowServiceState(false);
  } else {
    SetText(kServiceButton, keys::kBtnStartUpServer);
    if (deps_.showProgress) deps_.showProgress();
    port.EnableService();
    deps_.sleeper->SleepMs(kStartPauseMs);
    if (!port.ConnectService()) {
      Alert(keys::kIsInstallServer);
      // Nothing was started: the button offers the start again instead of
      // staying on its "starting" text.
      ShowServiceState(false);
      return;
    }
    if (port.CreateAndVerifyPort()) {
      serviceInstalled_ = 1;
      ShowServiceState(true);
    } else {
      Alert(keys::kInstallServerError);
      port.DisableService();
      serviceInstalled_ = 0;
      ShowServiceState(false);
    }
  }
  SetComUsable(serviceInstalled_ == 1);
  FillComList();
  RefreshTraffic();
}

void VirComConfig::OnApplyCom(const std::string& selected) {
  PortControl& port = *deps_.port;
  if (port.tunnelMode() == 1 && !Ask(keys::kReinstallMsg)) return;
  if (selected.empty() || selected == port.comName() + Text(keys::kComIsUsing)) return;
  if (!port.ConnectService()) {
    Alert(keys::kIsInstallServer);
    return;
  }
  port.SetComName(selected);
  if (!port.RebuildVirtualPort()) Alert(keys::kSetComError);
  FillComList();
  RefreshTraffic();
}

void VirComConfig::OnServerOption(bool checked) {
  model_.serverOptionChecked = checked;
  deps_.settings->Update([&](AppSettings& s) { s.server = checked ? 1 : 0; });
  if (!deps_.settings->Save()) ORBO_LOG_WARN("the settings file could not be written");
}

void VirComConfig::FillBrowserList() {
  const std::string bro = deps_.settings->Get().bro;
  const std::string suffix = Text(keys::kComIsUsing);
  model_.browsers.entries.clear();
  model_.browsers.selected = -1;
  for (const BrowserEntry& entry : deps_.browsers->entries()) {
    if (entry.name == bro && model_.browsers.selected < 0) {
      model_.browsers.selected = static_cast<int>(model_.browsers.entries.size());
      model_.browsers.entries.push_back(entry.name + suffix);
    } else {
      model_.browsers.entries.push_back(entry.name);
    }
  }
  if (model_.browsers.selected < 0 && !model_.browsers.entries.empty()) {
    model_.browsers.selected = 0;
  }
}

void VirComConfig::OnApplyBrowser(const std::string& selected) {
  if (selected.empty() || selected == deps_.settings->Get().bro + Text(keys::kComIsUsing)) return;
  // Kept in the record; the next save writes it.
  deps_.settings->Update([&](AppSettings& s) { s.bro = selected; });
  // Name and path both: a later link opens in this browser.
  deps_.browsers->PickName(selected);
  deps_.sleeper->SleepMs(kBrowserPauseMs);
  FillBrowserList();
}

void VirComConfig::OnAddBrowser() {
  FileDialogOptions options;
  options.must_exist = true;  // Linux programs carry no ".exe" to add
  const std::optional<std::filesystem::path> chosen = deps_.prompts->OpenFile(options);
  if (!chosen) return;
  const std::string path = chosen->string();
  bool listed = false;
  for (const BrowserEntry& entry : deps_.browsers->entries()) {
    if (entry.path != path) continue;
    deps_.settings->Update([&](AppSettings& s) { s.bro = entry.name; });
    deps_.browsers->PickName(entry.name);
    listed = true;
    break;
  }
  if (!listed) deps_.browsers->Append(chosen->filename().string(), path);
  FillBrowserList();
}

void VirComConfig::FillServerList() {
  const std::string current = ReadCurServer(appDir_);
  const std::string suffix = Text(keys::kComIsUsing);
  std::string currentEntry;
  model_.servers.entries.clear();
  for (const std::string& name : ListServerNames(appDir_)) {
    if (name == current) {
      currentEntry = name + suffix;
      model_.servers.entries.push_back(currentEntry);
    } else {
      model_.servers.entries.push_back(name);
    }
  }
  std::sort(model_.servers.entries.begin(), model_.servers.entries.end());
  model_.servers.selected = -1;
  if (currentEntry.empty()) return;
  const auto it =
      std::find(model_.servers.entries.begin(), model_.servers.entries.end(), currentEntry);
  model_.servers.selected = static_cast<int>(it - model_.servers.entries.begin());
}

void VirComConfig::OnApplyServer(const std::string& selected) {
  const std::string suffix = Text(keys::kComIsUsing);
  // Without an in-use text every entry would "contain" it: then only an
  // empty choice is refused.
  if (selected.empty() || (!suffix.empty() && selected.find(suffix) != std::string::npos)) return;
  std::string profile;
  if (!ReadFileBytes(ServerProfilePath(appDir_, selected), &profile) ||
      !WriteFileAtomic(WriteTarget(appDir_ / "html" / "Default.xml"), profile)) {
    // The current server stays what the page settings file says it is.
    ORBO_LOG_ERROR("server profile \"%s\" could not be put in place", selected.c_str());
    Alert(keys::kServerApplyFailed);
    return;
  }
  if (!WriteCurServer(appDir_, selected)) ORBO_LOG_WARN("curserver could not be written");
  FillServerList();
}

void VirComConfig::OnHmiSettings() {
  EditorSettings preset;
  LoadEditorSettings(appDir_, &preset);
  if (!IsEditorUsable("", preset.folder)) preset = EditorSettings{};
  if (deps_.runHmiDownConfig && deps_.runHmiDownConfig(preset)) {
    SetText(kHmiState, keys::kHmiDownEnabled);
  }
}

bool VirComConfig::OnCertificateImport() {
  return deps_.replaceCertificate && deps_.replaceCertificate();
}

}  // namespace orbo
