#include "ops/ops_dispatcher.h"

#include "base/logger.h"
#include "ops/network_test.h"
#include "ops/power_ops.h"
#include "ops/time_zone.h"
#include "ops/transfer/transfer_ops.h"

namespace orbo {

void OpsDispatcher::Run(BoxOperation operation, CommandState& state) {
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
