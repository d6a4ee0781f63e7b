// The settings button (command 32776): the virtual-port settings dialog
// and what the tool does after it.
#include "app/window/main_window.h"
#include "base/logger.h"

namespace orbo {

void MainWindow::OpenConfigDialog() {
  if (!tool_) return;
  SettingsStore& settings = tool_->settings();
  // 1. While the port's start-up thread runs, the dialog would fight it
  //    for the port service: only explain.
  if (!tool_->PortReady()) {
    prompts_.Message(settings.LookupText("alert_title"), settings.LookupText("init_virtual_port"));
    return;
  }
  // 2. The dialog itself, modal over the window.
  if (configDialog_) {
    configDialog_(GTK_WINDOW(window_));
  } else {
    ORBO_LOG_WARN("the virtual-port settings dialog is not connected");
  }
  // 3. A certificate package imported in the dialog renamed the tool: close,
  //    and the renamed program starts on exit.
  if (settings.Get().exitRequested) {
    RequestClose();
    return;
  }
  // 4. The dialog may have chosen another cloud server.
  if (core_ && core_->RefreshMonitorUrl()) {
    statusLine_.ShowStatusText(settings.LookupText("statu_ready"));
  }
}

}  // namespace orbo
