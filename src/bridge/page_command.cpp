#include "bridge/page_command.h"

#include <array>

namespace orbo {
namespace {

using C = PageCommand;
using A = AnsweredBy;
using B = BoxOperation;

constexpr std::array kTable = {
    PageCommandInfo{C::kSendSetup, A::kQueued, C::kResendSetup, B::kSendSetup},
    PageCommandInfo{C::kSetTime, A::kQueued, C::kSetTime, B::kSetTimeAndZone},
    PageCommandInfo{C::kFetchSetup, A::kQueued, C::kFetchSetup, B::kFetchSetup},
    PageCommandInfo{C::kResendSetup, A::kQueued, C::kResendSetup, B::kSendSetup},
    PageCommandInfo{C::kMachineCode, A::kQueued, C::kMachineCode, B::kMachineCode},
    PageCommandInfo{C::kNetworkTest, A::kQueued, C::kNetworkTest, B::kNetworkTest},
    PageCommandInfo{C::kNothing6, A::kQueued, C::kNothing6, B::kNone},
    PageCommandInfo{C::kStartPassThrough, A::kUiSide, std::nullopt, B::kNone},
    PageCommandInfo{C::kEndPassThrough, A::kUiSide, std::nullopt, B::kNone},
    PageCommandInfo{C::kKeepSetup, A::kQueued, C::kKeepSetup, B::kNone},
    PageCommandInfo{C::kScanLan, A::kQueued, C::kScanLan, B::kLanScan},
    PageCommandInfo{C::kConnectMode, A::kQueued, C::kConnectMode, B::kNone},
    PageCommandInfo{C::kBoxAddress, A::kQueued, C::kBoxAddress, B::kNone},
    PageCommandInfo{C::kStopAndReboot, A::kQueued, C::kStopAndReboot, B::kStopAndReboot},
    PageCommandInfo{C::kSendProject, A::kQueued, C::kSendProject, B::kSendProject},
    PageCommandInfo{C::kFetchProject, A::kQueued, C::kFetchProject, B::kFetchProject},
    PageCommandInfo{C::kSetMode, A::kQueued, C::kSetMode, B::kSetMode},
    PageCommandInfo{C::kNothing17, A::kQueued, C::kNothing17, B::kNone},
    PageCommandInfo{C::kLight, A::kQueued, C::kLight, B::kLight},
    PageCommandInfo{C::kSaveWifi, A::kQueued, C::kSaveWifi, B::kNone},
    PageCommandInfo{C::kRemoveWifi, A::kQueued, C::kRemoveWifi, B::kNone},
    PageCommandInfo{C::kClearFirstStart, A::kQueued, C::kClearFirstStart, B::kNone},
    PageCommandInfo{C::kTimeZone, A::kQueued, C::kTimeZone, B::kNone},
    PageCommandInfo{C::kEditorCheck, A::kPageProcess, std::nullopt, B::kNone},
    PageCommandInfo{C::kHmiDownload, A::kPageProcess, std::nullopt, B::kNone},
    PageCommandInfo{C::kSetupButton, A::kQueued, C::kSetupButton, B::kReconnect},
};

}  // namespace

std::optional<PageCommandInfo> FindPageCommand(int number) {
  for (const PageCommandInfo& row : kTable) {
    if (Code(row.command) == number) return row;
  }
  return std::nullopt;
}

BoxOperation OperationOfQueued(int code) {
  const std::optional<PageCommandInfo> row = FindPageCommand(code);
  // Only a code that is queued as itself runs its row's operation; a code
  // nobody queues (kSendSetup queues kResendSetup) runs nothing.
  if (!row || row->queues != row->command) return BoxOperation::kNone;
  return row->operation;
}

bool IsWorkerOperation(BoxOperation operation) {
  return operation != BoxOperation::kNone && operation != BoxOperation::kLanScan &&
         operation != BoxOperation::kReconnect;
}

bool IsAnsweredInPage(int number) {
  const std::optional<PageCommandInfo> row = FindPageCommand(number);
  return row && row->answeredBy == AnsweredBy::kPageProcess;
}

}  // namespace orbo
