// The queued box operations, run by the worker after a good link step.
#pragma once

#include "app/bridge_services.h"
#include "app/command_state.h"
#include "ops/ops_context.h"

namespace orbo {

class OpsDispatcher : public BoxOperations {
 public:
  // ctx must outlive the dispatcher.
  explicit OpsDispatcher(OpsContext& ctx) : ctx_(ctx) {}
  OpsDispatcher(const OpsDispatcher&) = delete;
  OpsDispatcher& operator=(const OpsDispatcher&) = delete;

  // Runs code 1 (time and zone), 2 / 15 (fetch "setup.xml" /
  // "cloudprj.kzrp"), 3 / 14 (send them), 4 (machine code), 5 (network
  // test), 13 (stop and reboot), 16 (set mode state.boxMode) or 18
  // (light). Any other code does nothing.
  void Run(int code, CommandState& state) override;

 private:
  OpsContext& ctx_;
};

}  // namespace orbo
