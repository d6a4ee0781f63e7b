// The main window's settings button: the virtual port's settings dialog and
// what the window does once it has ended.
#include <filesystem>
#include <memory>
#include <system_error>

#include "app/branding_step.h"
#include "app/dialogs/port_control.h"
#include "app/dialogs/vircom_config_dialog.h"
#include "app/window/main_window.h"
#include "base/logger.h"
#include "formats/branding/apply_branding.h"
#include "hmi/editor_discovery.h"
#include "platform/linux/wine_registry.h"
#include "platform/sleeper.h"
#include "settings/message_keys.h"
#include "vcom/port_system.h"

namespace orbo {
namespace {

std::string ChosenCom(const VirComConfigModel& model) {
  const DialogChoices& com = model.com;
  if (com.selected < 0 || com.selected >= static_cast<int>(com.entries.size())) return "";
  return com.entries[static_cast<size_t>(com.selected)];
}

}  // namespace

void MainWindow::OpenConfigDialog() {
  if (configOpen_ || closing_ || !tool_) return;
  SettingsStore& settings = tool_->settings();
  vcom::PortSystem* ports = tool_->portSystem();
  // 1. The port is still being made: only explain.
  if (ports != nullptr && !ports->port().portReady()) {
    prompts_.Message(settings.LookupText(keys::kAlertTitle),
                     settings.LookupText(keys::kInitVirtualPort));
    return;
  }

  // 2. The dialog, modal.
  std::unique_ptr<PortControl> port;
  if (ports != nullptr) {
    port = std::make_unique<VirtualPortControl>(ports->library(), ports->control(),
                                                ports->comPorts(), ports->port());
  } else {
    port = std::make_unique<AbsentPortControl>();
  }
  VirComConfigContext ctx;
  ctx.deps.settings = &settings;
  ctx.deps.port = port.get();
  ctx.deps.browsers = &tool_->browsers();
  ctx.deps.prompts = &prompts_;
  ctx.deps.sleeper = &SystemSleeper();
  ctx.deps.replaceCertificate = [this, &settings] {
    return ReplaceCertificate(MakeBrandingEnv(options_.program, options_.installed, &prompts_),
                              &settings);
  };
  ctx.hmi.appDir = appDir_;
  ctx.hmi.installedFolders = FindInstalledEditors(WineRegistry(DefaultWinePrefix()));
  ctx.hmi.prompts = &prompts_;
  ctx.hmi.lookup = [&settings](std::string_view key) { return settings.LookupText(key); };
  ctx.onShown = [this](VirComConfigDialog* dialog) {
    configDialog_ = dialog;
    if (dialog != nullptr) log_->Dialog("opened", ChosenCom(VirComConfigDialogModel(dialog)));
  };
  configOpen_ = true;
  const int result = RunVirComConfigDialog(GTK_WINDOW(window_), ctx);
  configOpen_ = false;
  log_->Dialog(result == GTK_RESPONSE_OK ? "ok" : "closed", "");
  if (closing_) return;

  // 3. A new certificate package: the window closes and the tool starts
  // again under its new name.
  if (settings.Get().exitRequested) {
    gtk_window_close(GTK_WINDOW(window_));
    return;
  }
  // 4. The server profile may have changed the monitoring address. Like
  // the navigation buttons, this runs on the dispatcher thread.
  MainFrameCore* core = core_.get();
  StatusLine* status = &statusLine_;
  SettingsStore* store = &settings;
  dispatcher_.Post([core, status, store] {
    if (core->RefreshMonitorUrl()) status->ShowStatusText(store->LookupText(keys::kStatuReady));
  });
}

void MainWindow::DriveConfigDialog(const std::string& control, const std::string& entry) {
  if (configDialog_ == nullptr) {
    log_->Dialog("refused", "");
    ORBO_LOG_ERROR("control: no settings dialog is open for %s", control.c_str());
    return;
  }
  const bool done = DriveVirComConfigDialog(configDialog_, control, entry);
  // The dialog may have gone with the command ("close").
  const std::string com = configDialog_ != nullptr && control != "close"
                              ? ChosenCom(VirComConfigDialogModel(configDialog_))
                              : std::string();
  log_->Dialog(done ? control : "refused", com);
}

}  // namespace orbo
