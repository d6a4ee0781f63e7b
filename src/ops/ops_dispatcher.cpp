#include "ops/ops_dispatcher.h"

#include <optional>

#include "base/logger.h"
#include "ops/network_test.h"
#include "ops/power_ops.h"
#include "ops/time_zone.h"
#include "ops/transfer/transfer_ops.h"

namespace orbo {
namespace {

// Command exchanges of the operations made of commands alone. One exchange
// takes at most two link waits (its first bytes, the rest of them) plus
// its purge and pause, so three waits each bound it with room to spare.
// Transfers, and the operations that may send a firmware image, bound
// their parts by the file's size instead (see SendFile and FetchFile). The
// time operation asks the user before its reboot, so only its exchanges
// are bounded: the user's time to answer is not the box's.
int CommandExchanges(BoxOperation operation) {
  switch (operation) {
    case BoxOperation::kSetMode:
      return 2;  // mode, reset
    case BoxOperation::kNetworkTest:
      return 2;  // JSON report, text report
    case BoxOperation::kMachineCode:
    case BoxOperation::kLight:
      return 1;
    default:
      return 0;
  }
}

}  // namespace

void OpsDispatcher::Run(BoxOperation operation, CommandState& state) {
  std::optional<LinkDeadline> overall;
  if (const int exchanges = CommandExchanges(operation); exchanges > 0)
    overall.emplace(ctx_.link, int64_t{3} * exchanges * ctx_.link.wait_ms());
  switch (operation) {
    case BoxOperation::kSetTimeAndZone:
      SetTimeAndZone(ctx_, state);
      break;
    case BoxOperation::kFetchSetup:
      FetchFromBox(ctx_, state, "setup.xml");
      break;
    case BoxOperation::kSendSetup:
      SendToBox(ctx_, state, "setup.xml");
      break;
    case BoxOperation::kMachineCode:
      ReadMachineCode(ctx_);
      break;
    case BoxOperation::kNetworkTest:
      RunNetworkTest(ctx_);
      break;
    case BoxOperation::kStopAndReboot:
      StopAndReboot(ctx_);
      break;
    case BoxOperation::kSendProject:
      SendToBox(ctx_, state, "cloudprj.kzrp");
      break;
    case BoxOperation::kFetchProject:
      FetchFromBox(ctx_, state, "cloudprj.kzrp");
      break;
    case BoxOperation::kSetMode:
      SetBoxMode(ctx_, state.boxMode);
      break;
    case BoxOperation::kLight:
      LightBox(ctx_);
      break;
    case BoxOperation::kNone:
    case BoxOperation::kLanScan:
    case BoxOperation::kReconnect:
      ORBO_LOG_DEBUG("operation %d is not run by the operations", static_cast<int>(operation));
      break;
  }
}

}  // namespace orbo
