// The settings dialog as a GTK dialog over the VirComConfig rules.
#pragma once

#include <gtk/gtk.h>

#include <functional>
#include <string>

#include "app/dialogs/hmi_down_config.h"
#include "app/dialogs/vircom_config.h"

namespace orbo {

class VirComConfigDialog;

struct VirComConfigContext {
  // The rules' services; runHmiDownConfig and showProgress are filled in by
  // the dialog itself.
  VirComConfigDeps deps;
  // For the download-settings dialog (its preset comes from the rules).
  HmiDownConfigDeps hmi;
  // Told when the dialog is on screen and, with null, when it has gone, so
  // a front end can drive it (the window's --control commands). May be
  // empty.
  std::function<void(VirComConfigDialog*)> onShown;
};

// Runs the dialog modally over parent (may be null). GTK_RESPONSE_OK after
// a certificate import, GTK_RESPONSE_CANCEL when it was closed.
int RunVirComConfigDialog(GtkWindow* parent, VirComConfigContext& ctx);

// Does what a user would do in the open dialog: "com", "browser" or
// "server" choose the entry whose text is entry (empty: the one chosen) and
// press that list's set button; "service" presses the service button,
// "option" clicks the check box, "close" closes the dialog. False when the
// control or the entry is unknown or the button cannot be pressed now.
bool DriveVirComConfigDialog(VirComConfigDialog* dialog, const std::string& control,
                             const std::string& entry);
const VirComConfigModel& VirComConfigDialogModel(const VirComConfigDialog* dialog);

}  // namespace orbo
