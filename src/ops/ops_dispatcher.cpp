#include "ops/ops_dispatcher.h"

#include "base/logger.h"
#include "ops/network_test.h"
#include "ops/power_ops.h"
#include "ops/time_zone.h"
#include "ops/transfer/transfer_ops.h"

namespace orbo {

void OpsDispatcher::Run(int code, CommandState& state) {
  switch (code) {
    case 1:
      SetTimeAndZone(ctx_, state);
      break;
    case 2:
      FetchFromBox(ctx_, state, "setup.xml");
      break;
    case 3:
      SendToBox(ctx_, state, "setup.xml");
      break;
    case 4:
      ReadMachineCode(ctx_);
      break;
    case 5:
      RunNetworkTest(ctx_);
      break;
    case 13:
      StopAndReboot(ctx_);
      break;
    case 14:
      SendToBox(ctx_, state, "cloudprj.kzrp");
      break;
    case 15:
      FetchFromBox(ctx_, state, "cloudprj.kzrp");
      break;
    case 16:
      SetBoxMode(ctx_, state.boxMode);
      break;
    case 18:
      LightBox(ctx_);
      break;
    default:
      ORBO_LOG_DEBUG("queued code %d has no box operation", code);
      break;
  }
}

}  // namespace orbo
