// Queued operations 4, 16, 13 and 18: the box's machine code to the
// clipboard, setting its mode, stopping and rebooting it, and lighting its
// indicator. Each writes its progress to the page's log.
#pragma once

#include "ops/context/ops_context.h"

namespace orbo {

// Code 4: "GetRmtSN\r\n" into ctx.serialReply; on success the reply goes to
// the clipboard (as UTF-8) and to the log after get_maccode_success;
// otherwise get_maccode_failed and the clipboard is not touched. True on
// success.
bool ReadMachineCode(OpsContext& ctx);

// Code 16: raw exchange of "SetBoxMode <mode>\r\n" answered by exactly the
// three bytes "OK\r" (set_mode_success, else set_mode_failed), then
// reboot_orbo and "reset\r" whatever the answer. True when the box
// accepted the mode.
bool SetBoxMode(OpsContext& ctx, int mode);

// Code 13: "TerminateAll\r" (refused: stop_orbo_failed, nothing else is
// sent, false); then the log file delete, the firmware check, reboot_orbo,
// "reset\r", detect_orbo_failed, "DisableOperate(true);" and a 2000 ms
// pause. True when the box was rebooted.
bool StopAndReboot(OpsContext& ctx);

// Code 18: "Light\r" without waiting for a reply, the separator line, then
// light_cmd_suc or light_cmd_err. True when the command went out.
bool LightBox(OpsContext& ctx);

}  // namespace orbo
