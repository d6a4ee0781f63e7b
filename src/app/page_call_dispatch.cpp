// The window's side of the page-command table: what each page call does at
// once, and what it queues for the box worker.
#include <optional>

#include "app/main_frame.h"
#include "base/codepage.h"
#include "base/logger.h"
#include "bridge/page_call_text.h"
#include "bridge/page_command.h"
#include "platform/prompts.h"
#include "settings/app_settings.h"
#include "settings/message_keys.h"

namespace orbo {
namespace {

FileDialogOptions ProjectDialog() {
  FileDialogOptions options;
  options.filter_name = "Cloud Project(*.kzrp)";
  options.filter_pattern = "*.kzrp";
  options.default_ext = ".kzrp";
  return options;
}

}  // namespace

int MainFrameCore::HandlePageCall(const std::string& v1, const std::string& v2) {
  std::lock_guard<std::mutex> lock(commandMutex);
  return Dispatch(ParseCommandNumber(v1), v2);
}

void MainFrameCore::Queue(int code, int detect) {
  state_.pendingCommand = code;
  state_.linkDown = 0;
  state_.detectRequested = detect;
}

int MainFrameCore::Dispatch(int number, const std::string& v2) {
  const std::optional<PageCommandInfo> row = FindPageCommand(number);
  if (!row) {
    // Outside the table: queued as it is; the worker has no operation for it.
    Queue(number, 0);
    return 0;
  }
  int detect = 0;
  // What is done at once; a failure or a cancelled dialog returns before
  // anything is queued.
  switch (row->command) {
    case PageCommand::kSendSetup:
      if (BuildSetupFile(v2) < 0) {
        if (services_.prompts != nullptr) {
          services_.prompts->Message(scripts_.LookupText("alert_title"),
                                     scripts_.LookupText("save_config_failed"));
        }
        return 2;
      }
      break;
    case PageCommand::kFetchSetup:
      state_.transferPath = services_.appDir / "setup.xml";
      state_.uploadPassword.clear();
      break;
    case PageCommand::kStartPassThrough:
      if (services_.passThrough == nullptr) {
        ORBO_LOG_WARN("page call %d: no pass-through available", number);
      } else if (services_.passThrough->ApplyPassThrough(v2) < 0) {
        ORBO_LOG_WARN("page call %d: the pass-through did not start", number);
      }
      break;
    case PageCommand::kEndPassThrough:
      if (services_.passThrough == nullptr) {
        ORBO_LOG_WARN("page call %d: no pass-through available", number);
      } else {
        services_.passThrough->EndPassThrough();
      }
      break;
    case PageCommand::kKeepSetup:
      BuildSetupFile(v2);  // the page only keeps the file; a failure is ignored
      break;
    case PageCommand::kScanLan:
      state_.listScanArg = ParseCommandNumber(v2);
      detect = 1;
      break;
    case PageCommand::kConnectMode:
      state_.connectMode = v2;
      detect = 1;
      break;
    case PageCommand::kBoxAddress:
      state_.boxAddress = v2;
      detect = v2.empty() ? 0 : 1;
      break;
    case PageCommand::kSendProject:
      if (ChooseProjectToSend() != 0) return 1;
      break;
    case PageCommand::kFetchProject:
      if (ChooseProjectDestination(v2) != 0) return 1;
      break;
    case PageCommand::kSetMode:
      state_.boxMode = ParseCommandNumber(v2);
      break;
    case PageCommand::kSaveWifi:
      SaveWifiEntry(v2);
      break;
    case PageCommand::kRemoveWifi:
      if (services_.wifi == nullptr || services_.wifi->RemoveWifi(v2) < 0)
        ORBO_LOG_WARN("page call %d: the Wi-Fi entry was not removed", number);
      break;
    case PageCommand::kClearFirstStart:
      ClearFirstStart();
      break;
    case PageCommand::kTimeZone:
      state_.timeZone = v2;
      break;
    // Answered in the page's own process; these serve a call that reaches
    // the window by another road.
    case PageCommand::kEditorCheck:
      if (services_.editor == nullptr) return 0;
      return services_.editor->IsEditorUsable("");
    case PageCommand::kHmiDownload:
      if (services_.editor == nullptr) {
        ORBO_LOG_WARN("page call %d: no editor integration available", number);
        return -1;
      }
      return services_.editor->LaunchHmiDownload(v2);
    case PageCommand::kSetTime:
    case PageCommand::kResendSetup:
    case PageCommand::kMachineCode:
    case PageCommand::kNetworkTest:
    case PageCommand::kNothing6:
    case PageCommand::kStopAndReboot:
    case PageCommand::kNothing17:
    case PageCommand::kLight:
    case PageCommand::kSetupButton:
      break;  // nothing at once
  }
  if (row->queues) Queue(Code(*row->queues), detect);
  return 0;
}

int MainFrameCore::BuildSetupFile(const std::string& form) {
  state_.transferPath = services_.appDir / "setup.xml";
  if (services_.setup == nullptr) {
    ORBO_LOG_WARN("setup file: no builder available");
    return -1;
  }
  return services_.setup->BuildSetupXml(form);
}

int MainFrameCore::ChooseProjectToSend() {
  if (services_.prompts == nullptr) return 1;
  FileDialogOptions options = ProjectDialog();
  options.must_exist = true;
  std::optional<std::filesystem::path> chosen = services_.prompts->OpenFile(options);
  if (!chosen) return 1;
  state_.transferPath = *chosen;
  return 0;
}

int MainFrameCore::ChooseProjectDestination(const std::string& password) {
  // Kept even when the dialog is cancelled.
  state_.uploadPassword.clear();
  Codepage::FromUtf8(password, &state_.uploadPassword);
  if (services_.prompts == nullptr) return 1;
  FileDialogOptions options = ProjectDialog();
  options.overwrite_prompt = true;
  std::optional<std::filesystem::path> chosen = services_.prompts->SaveFile(options);
  if (!chosen) return 1;
  state_.transferPath = WithProjectExtension(chosen->string());
  return 0;
}

void MainFrameCore::SaveWifiEntry(const std::string& v2) {
  // Splitting skips empty fields, so an empty name field would make the
  // password the network's name, stored in clear text.
  if (!v2.empty() && v2.front() == '\x02') {
    ORBO_LOG_WARN("Wi-Fi entry without a name refused; nothing saved");
    return;
  }
  std::optional<std::string> name, password;
  if (!ParseWifiFields(v2, &name, &password)) {
    // Cutting would save a wrong password without telling anyone.
    ORBO_LOG_WARN("Wi-Fi entry: text longer than 255 bytes refused; nothing saved");
    return;
  }
  const int saved = services_.wifi == nullptr ? -1 : services_.wifi->SaveWifi(name, password);
  if (saved < 0) ORBO_LOG_WARN("Wi-Fi entry: not saved (%d)", saved);
  // The page is told when the list was refused or the disk failed.
  if (saved == -3) scripts_.ShowKey(keys::kWifiSaveRefused);
  if (saved == -2) scripts_.ShowKey(keys::kLocalFileWriteFailed);
}

void MainFrameCore::ClearFirstStart() {
  if (services_.settings == nullptr) return;
  bool was_first = false;
  services_.settings->Update([&](AppSettings& s) {
    if (s.first == 1) {
      s.first = 0;
      was_first = true;
    }
  });
  if (was_first && !WriteFirstCleared(services_.appDir)) {
    ORBO_LOG_WARN("first start: could not write first=0 to the settings file");
    scripts_.ShowKey(keys::kLocalFileWriteFailed);
  }
}

}  // namespace orbo
