// The download-settings dialog as a GTK dialog over the HmiDownConfig rules.
#pragma once

#include <gtk/gtk.h>

#include "app/dialogs/hmi_down_config.h"

namespace orbo {

// Runs the dialog modally over parent; GTK_RESPONSE_OK when a choice was
// confirmed and saved, else GTK_RESPONSE_CANCEL.
int RunHmiDownConfigDialog(GtkWindow* parent, HmiDownConfig& config);

}  // namespace orbo
