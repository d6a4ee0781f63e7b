// Box replies through the real operations: identification (type, serial,
// mode), then one queued operation chosen by the first byte: time and zone,
// machine code, network test, mode, light, stop and reboot (with the
// firmware check), or a configuration fetch. The rest of the input is the
// box's side of the conversation (see ScriptedTransport).
#include <string>

#include "bridge/command_state.h"
#include "bridge/page_command.h"
#include "fuzz_support.h"
#include "ops/detect_box.h"
#include "ops/ops_dispatcher.h"
#include "ops_rig.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  using orbo::BoxOperation;
  static constexpr BoxOperation kOperations[] = {
      BoxOperation::kSetTimeAndZone, BoxOperation::kMachineCode, BoxOperation::kNetworkTest,
      BoxOperation::kSetMode,        BoxOperation::kLight,       BoxOperation::kStopAndReboot,
      BoxOperation::kFetchSetup};
  const BoxOperation operation = kOperations[data[0] % std::size(kOperations)];
  orbo::fuzz::OpsRig rig(orbo::fuzz::AsText(data + 1, size - 1));

  orbo::CommandState state;
  state.connectMode = "LocalNetwork";
  state.detectRequested = 1;
  state.timeZone = "UTC+08:00";
  state.transferPath = orbo::fuzz::ScratchDir() / "setup.xml";
  orbo::fuzz::WriteFile(state.transferPath, "<QXBoxSet/>");
  orbo::DetectLinkStep step(rig.ctx,
                            [](orbo::BoxLink&, const orbo::CommandState&) { return true; });
  if (step.ConnectAndDetect(state)) {
    state.boxMode = 1;
    orbo::OpsDispatcher(rig.ctx).Run(operation, state);
  }
  rig.CheckScripts();
  FUZZ_CHECK(orbo::fuzz::NoTempFilesIn(orbo::fuzz::ScratchDir()));
  return 0;
}
