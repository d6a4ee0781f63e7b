#include "ops/power_ops.h"

#include <cstdint>
#include <string>

#include "base/codepage.h"
#include "ops/context/log_lines.h"
#include "ops/transfer/transfer_ops.h"

namespace orbo {
namespace {

constexpr int64_t kRebootPauseMs = 2000;
constexpr size_t kModeReplyBytes = 3;

}  // namespace

bool ReadMachineCode(OpsContext& ctx) {
  ctx.scripts.ShowLog(kDashLine);
  ctx.serialReply.Clear();
  if (!ctx.link.SendCommand("GetRmtSN\r\n", &ctx.serialReply)) {
    ctx.scripts.ShowKey("get_maccode_failed");
    return false;
  }
  const std::string code = Codepage::ToUtf8Lossy(ctx.serialReply.Text());
  ctx.clipboard.SetText(code);  // a clipboard that cannot be had is skipped
  ctx.scripts.ShowKey("get_maccode_success");
  ctx.scripts.ShowLog(code);
  return true;
}

bool SetBoxMode(OpsContext& ctx, int mode) {
  ctx.scripts.ShowLog(kDashLine);
  const std::string command = "SetBoxMode " + std::to_string(mode) + "\r\n";
  ReplyBuffer reply;
  ctx.link.Purge();
  int64_t count = 0;
  bool accepted = ctx.link.Write(command.data(), command.size(), &count) &&
                  ctx.link.ReadRecord(reply.data(), kModeReplyBytes, ctx.link.wait_ms(), &count);
  ctx.link.Purge();
  accepted = accepted && std::string_view(reply.data(), kModeReplyBytes) == "OK\r";
  ctx.scripts.ShowKey(accepted ? "set_mode_success" : "set_mode_failed");

  RebootBox(ctx);
  return accepted;
}

bool StopAndReboot(OpsContext& ctx) {
  if (!StopBoxPrograms(ctx)) return false;
  FirmwareCheck(ctx);  // the box is rebooted whatever the check did

  RebootBox(ctx);
  ctx.scripts.ShowKey("detect_orbo_failed");
  ctx.scripts.Run("DisableOperate(true);");
  ctx.sleeper.SleepMs(kRebootPauseMs);
  return true;
}

bool LightBox(OpsContext& ctx) {
  const bool sent = ctx.link.SendCommand("Light\r", nullptr);
  ctx.scripts.ShowLog(kDashLine);
  ctx.scripts.ShowKey(sent ? "light_cmd_suc" : "light_cmd_err");
  return sent;
}

}  // namespace orbo
