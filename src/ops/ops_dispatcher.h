// The queued box operations, run by the worker after a good link step.
#pragma once

#include "bridge/bridge_services.h"
#include "bridge/command_state.h"
#include "bridge/page_command.h"
#include "ops/context/ops_context.h"

namespace orbo {

class OpsDispatcher : public BoxOperations {
 public:
  // ctx must outlive the dispatcher.
  explicit OpsDispatcher(OpsContext& ctx) : ctx_(ctx) {}
  OpsDispatcher(const OpsDispatcher&) = delete;
  OpsDispatcher& operator=(const OpsDispatcher&) = delete;

  // Runs one operation: time and zone, fetch or send "setup.xml" /
  // "cloudprj.kzrp", machine code, network test, stop and reboot, set mode
  // state.boxMode, or light. The link step's own (LAN scan, reconnect) and
  // kNone do nothing.
  void Run(BoxOperation operation, CommandState& state) override;

 private:
  OpsContext& ctx_;
};

}  // namespace orbo
