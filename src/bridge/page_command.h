// The one table of page commands: every number the page passes as v1 of
// app.jsInvokeCPlusPlus, and the codes the window queues for the box worker
// itself, with where each is answered and which box operation runs it.
// Everything that reads a command number (the page-call dispatch, the page
// process, the headless host, the worker, the link step and the operations)
// looks it up here.
#pragma once

#include <optional>

namespace orbo {

// Page command numbers (0..24) and the worker's own codes (28).
enum class PageCommand : int {
  kSendSetup = 0,         // build setup.xml from the page's fields, then send it
  kSetTime = 1,           // set the box's clock and time zone
  kFetchSetup = 2,        // fetch setup.xml from the box
  kResendSetup = 3,       // send the current transfer file as setup.xml
  kMachineCode = 4,       // read the box's machine code
  kNetworkTest = 5,       // network test and status report
  kNothing6 = 6,          // queued, runs nothing
  kStartPassThrough = 7,  // start the serial pass-through (JSON parameters)
  kEndPassThrough = 8,    // end the serial pass-through
  kKeepSetup = 9,         // build setup.xml only; queued, runs nothing
  kScanLan = 10,          // LAN scan, served by the link step
  kConnectMode = 11,      // choose USB or LAN; the link step connects
  kBoxAddress = 12,       // the LAN box's address; the link step connects
  kStopAndReboot = 13,    // stop the box's programs and reboot it
  kSendProject = 14,      // choose a project file and send it
  kFetchProject = 15,     // choose where to store the box's project and fetch it
  kSetMode = 16,          // set the box mode
  kNothing17 = 17,        // queued, runs nothing
  kLight = 18,            // make the box blink
  kSaveWifi = 19,         // add or update a remembered Wi-Fi network
  kRemoveWifi = 20,       // forget a Wi-Fi network
  kClearFirstStart = 21,  // the first-start page was seen
  kTimeZone = 22,         // the time-zone text for kSetTime
  kEditorCheck = 23,      // is a usable panel editor configured? (1/0)
  kHmiDownload = 24,      // launch the editor's download tool
  kSetupButton = 28,      // queued by the "setup" button: reconnect over USB
};

// Where a command is answered.
enum class AnsweredBy {
  kPageProcess,  // in the page's own process; the result goes back to the page
  kUiSide,       // at once by the window's page-call dispatch; nothing is queued
  kQueued,       // the dispatch stores its input and queues a code for the worker
};

// What the worker does for a queued code once its link step succeeded.
enum class BoxOperation {
  kNone,  // nothing (the page is disabled for one cycle)
  kSetTimeAndZone,
  kFetchSetup,
  kSendSetup,
  kMachineCode,
  kNetworkTest,
  kStopAndReboot,
  kSendProject,
  kFetchProject,
  kSetMode,
  kLight,
  kLanScan,    // served inside the link step, never by the operations
  kReconnect,  // cleared by the link step, never by the operations
};

struct PageCommandInfo {
  PageCommand command;
  AnsweredBy answeredBy;
  // The code queued for the worker (kQueued only; kSendSetup queues
  // kResendSetup, every other command itself).
  std::optional<PageCommand> queues;
  // The operation the queued code runs (kNone for the other rows).
  BoxOperation operation;
};

// The row of a command number, or nullopt for a number outside the table
// (such a number is queued as it is and runs nothing).
std::optional<PageCommandInfo> FindPageCommand(int number);

// The operation the worker runs for a queued code: kNone for codes without
// one (including numbers outside the table).
BoxOperation OperationOfQueued(int code);

// True for operations that the box operations run after a good link step
// (not kNone and not the two the link step serves itself).
bool IsWorkerOperation(BoxOperation operation);

// True when the page's own process answers the command number.
bool IsAnsweredInPage(int number);

// The number of a command, for the queue and for messages.
constexpr int Code(PageCommand command) {
  return static_cast<int>(command);
}

}  // namespace orbo
