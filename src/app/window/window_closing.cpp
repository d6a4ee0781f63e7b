// Closing the main window: the port-service rules of the close command,
// the close itself (questions on screen cancelled, the settings dialog's
// loop ended) and the shutdown that stops the threads before the widgets go.
#include "app/dialogs/vircom_config_dialog.h"
#include "app/frame/close_rules.h"
#include "app/window/main_window.h"

namespace orbo {

void MainWindow::CloseCommand(bool mayAsk) {
  if (closing_) return;
  if (closeAsking_) {
    // Nobody is left to answer the question on screen: it is cancelled.
    if (!mayAsk) RequestClose();
    return;
  }
  if (tool_) {
    switch (DecideClose(tool_->settings().Get().server, tool_->TunnelMode())) {
      case CloseStep::kClose:
        break;
      case CloseStep::kAskThenRemoveService:
        if (mayAsk) {
          closeAsking_ = true;
          const bool yes = prompts_.AskYesNo(tool_->settings().LookupText("alert_title"),
                                             tool_->settings().LookupText("reinstall_msg"));
          closeAsking_ = false;
          if (!yes || closing_) return;
        }
        [[fallthrough]];
      case CloseStep::kRemoveServiceThenClose:
        if (tool_->RemovePortService()) log_->ServiceRemoved();
        break;
    }
  }
  RequestClose();
}

void MainWindow::RequestClose() {
  if (closing_) return;
  closing_ = true;
  if (!options_.screenshot.empty()) WriteScreenshot(options_.screenshot);
  // A dialog on screen (asked by the worker or a page call) is closed as
  // Cancel/No, and later questions are answered the same way at once, so
  // the threads that wait for them can finish.
  prompts_.CancelAll();
  // The settings dialog runs a loop of its own inside the main loop: it
  // must end before the main loop can.
  if (configDialog_ != nullptr) DriveVirComConfigDialog(configDialog_, "close", "");
  gtk_main_quit();
}

void MainWindow::Shutdown() {
  if (shutDown_) return;
  shutDown_ = true;
  closing_ = true;
  prompts_.CancelAll();
  // From here on nothing runs on the UI thread for other threads: queued
  // scripts are dropped and blocked callers are released.
  ui_.Shutdown();
  if (exitTimer_ != 0) g_source_remove(exitTimer_);
  exitTimer_ = 0;
  if (controlWatch_ != 0) g_source_remove(controlWatch_);
  controlWatch_ = 0;
  if (control_ != nullptr) g_io_channel_unref(control_);
  control_ = nullptr;
  if (aboutDialog_ != nullptr) gtk_dialog_response(GTK_DIALOG(aboutDialog_), GTK_RESPONSE_CLOSE);
  if (core_) core_->StopWorker();
  dispatcher_.Stop();
  core_.reset();
  if (tool_) finalSettings_ = tool_->settings().Get();
  tool_.reset();
  if (page_) page_->Detach();
  caption_.reset();
  status_.reset();
  if (window_ != nullptr) gtk_widget_destroy(window_);
  window_ = nullptr;
  frame_ = content_ = nullptr;
  view_ = nullptr;
}

gboolean MainWindow::OnDeleteEvent(GtkWidget*, GdkEvent*, gpointer self) {
  static_cast<MainWindow*>(self)->CloseCommand(true);
  return TRUE;  // the window is destroyed by Shutdown, after the threads ended
}

gboolean MainWindow::OnExitTimer(gpointer self) {
  auto* window = static_cast<MainWindow*>(self);
  window->exitTimer_ = 0;
  window->CloseCommand(false);
  return G_SOURCE_REMOVE;
}

}  // namespace orbo
