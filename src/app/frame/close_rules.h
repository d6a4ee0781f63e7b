// What closing the main window does about the port service: with setting
// "server" 0 the window just closes; with 1 the service is removed first,
// after a Yes/No question when a pass-through would be cut.
#pragma once

namespace orbo {

enum class CloseStep {
  kClose,  // close at once
  kRemoveServiceThenClose,
  kAskThenRemoveService,  // ask reinstall_msg; No keeps the window open
};

// server: setting "server"; tunnelMode: 0 when no pass-through is active.
CloseStep DecideClose(int server, int tunnelMode);

}  // namespace orbo
