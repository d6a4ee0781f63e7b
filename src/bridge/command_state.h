// What the page asked the box worker to do, and the inputs for it. Shared by
// the thread that runs page calls and the navigation buttons (the window's
// dispatcher thread, or the headless host's reader) and the worker; every
// access holds MainFrameCore::commandMutex.
#pragma once

#include <filesystem>
#include <string>

#include "bridge/page_command.h"

namespace orbo {

struct CommandState {
  int pendingCommand = -1;   // queued command for the worker; -1 = none
  int detectRequested = 1;   // identify the box on the next good link cycle
  int linkDown = 1;          // box judged unreachable and its loss reported
  int offerSetupUpload = 0;  // offer the page the local setup.xml next cycle
  int failureCount = 0;      // failed link cycles, counted to 10
  int listScanArg = 0;       // argument of the LAN scan (PageCommand::kScanLan)
  int boxPort = 8769;
  int boxMode = 0;
  std::string connectMode;     // "USB:Download" or "LocalNetwork"
  std::string boxAddress;      // dotted IPv4 text
  std::string uploadPassword;  // 8-bit text, for a project fetch
  std::string hmiTypeText;
  std::string serialText;
  std::string timeZone;
  std::filesystem::path transferPath;

  // The state the main window starts with: a USB connect-and-detect queued,
  // the setup upload offered, failures reported.
  static CommandState MainWindowStart() {
    CommandState s;
    s.pendingCommand = Code(PageCommand::kConnectMode);
    s.detectRequested = 1;
    s.linkDown = 0;
    s.offerSetupUpload = 1;
    s.connectMode = "USB:Download";
    return s;
  }
};

}  // namespace orbo
