// The page-call command table of the main window.
#include <optional>

#include "app/main_frame.h"
#include "app/page_call_text.h"
#include "base/codepage.h"
#include "base/logger.h"
#include "platform/prompts.h"
#include "settings/app_settings.h"

namespace orbo {
namespace {

FileDialogSpec ProjectDialog() {
  FileDialogSpec spec;
  spec.filter_name = "Cloud Project(*.kzrp)";
  spec.filter_pattern = "*.kzrp";
  spec.default_ext = ".kzrp";
  return spec;
}

}  // namespace

int MainFrameCore::HandlePageCall(const std::string& v1, const std::string& v2) {
  std::lock_guard<std::mutex> lock(commandMutex);
  return Dispatch(ParseCommandNumber(v1), v2);
}

void MainFrameCore::Queue(int command, int detect) {
  state_.pendingCommand = command;
  state_.linkDown = 0;
  state_.detectRequested = detect;
}

int MainFrameCore::Dispatch(int command, const std::string& v2) {
  switch (command) {
    case 0:
      if (BuildSetupFile(v2) < 0) {
        if (services_.prompts != nullptr) {
          services_.prompts->Message(scripts_.LookupText("alert_title"),
                                     scripts_.LookupText("save_config_failed"));
        }
        return 2;
      }
      Queue(3, 0);
      return 0;
    case 2:
      state_.transferPath = services_.appDir / "setup.xml";
      state_.uploadPassword.clear();
      Queue(2, 0);
      return 0;
    case 7:
      if (services_.passThrough == nullptr) {
        ORBO_LOG_WARN("page call 7: no pass-through available");
      } else if (services_.passThrough->ApplyPassThrough(v2) < 0) {
        ORBO_LOG_WARN("page call 7: the pass-through did not start");
      }
      return 0;
    case 8:
      if (services_.passThrough == nullptr) {
        ORBO_LOG_WARN("page call 8: no pass-through available");
      } else {
        services_.passThrough->EndPassThrough();
      }
      return 0;
    case 9:
      BuildSetupFile(v2);  // the page only keeps the file; a failure is ignored
      Queue(9, 0);
      return 0;
    case 10:
      state_.listScanArg = ParseCommandNumber(v2);
      Queue(10, 1);
      return 0;
    case 11:
      state_.connectMode = v2;
      Queue(11, 1);
      return 0;
    case 12:
      state_.boxAddress = v2;
      Queue(12, v2.empty() ? 0 : 1);
      return 0;
    case 14:
      if (ChooseProjectToSend() != 0) return 1;
      Queue(14, 0);
      return 0;
    case 15:
      if (ChooseProjectDestination(v2) != 0) return 1;
      Queue(15, 0);
      return 0;
    case 16:
      state_.boxMode = ParseCommandNumber(v2);
      Queue(16, 0);
      return 0;
    case 19:
      SaveWifiEntry(v2);
      Queue(19, 0);
      return 0;
    case 20:
      if (services_.wifi == nullptr || services_.wifi->RemoveWifi(v2) < 0)
        ORBO_LOG_WARN("page call 20: the Wi-Fi entry was not removed");
      Queue(20, 0);
      return 0;
    case 21:
      ClearFirstStart();
      Queue(21, 0);
      return 0;
    case 22:
      state_.timeZone = v2;
      Queue(22, 0);
      return 0;
    case 23:
      if (services_.editor == nullptr) return 0;
      return services_.editor->IsEditorUsable("");
    case 24:
      if (services_.editor == nullptr) {
        ORBO_LOG_WARN("page call 24: no editor integration available");
        return -1;
      }
      return services_.editor->LaunchHmiDownload(v2);
    default:
      // 1, 3, 4, 5, 6, 13, 17, 18 and any unknown number: queued as they are;
      // the worker drops numbers it has no operation for.
      Queue(command, 0);
      return 0;
  }
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
  FileDialogSpec spec = ProjectDialog();
  spec.must_exist = true;
  std::optional<std::filesystem::path> chosen = services_.prompts->OpenFile(spec);
  if (!chosen) return 1;
  state_.transferPath = *chosen;
  return 0;
}

int MainFrameCore::ChooseProjectDestination(const std::string& password) {
  // Kept even when the dialog is cancelled.
  state_.uploadPassword.clear();
  Codepage::FromUtf8(password, &state_.uploadPassword);
  if (services_.prompts == nullptr) return 1;
  FileDialogSpec spec = ProjectDialog();
  spec.overwrite_prompt = true;
  std::optional<std::filesystem::path> chosen = services_.prompts->SaveFile(spec);
  if (!chosen) return 1;
  state_.transferPath = WithProjectExtension(chosen->string());
  return 0;
}

void MainFrameCore::SaveWifiEntry(const std::string& v2) {
  std::optional<std::string> name, password;
  if (!ParseWifiFields(v2, &name, &password)) {
    // Cutting would save a wrong password without telling anyone.
    ORBO_LOG_WARN("page call 19: Wi-Fi text longer than 255 bytes refused; nothing saved");
    return;
  }
  if (services_.wifi == nullptr || services_.wifi->SaveWifi(name, password) < 0)
    ORBO_LOG_WARN("page call 19: the Wi-Fi entry was not saved");
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
  if (was_first && !WriteFirstCleared(services_.appDir))
    ORBO_LOG_WARN("page call 21: could not write first=0 to the settings file");
}

}  // namespace orbo
