// SendToBox and FetchFromBox: the configuration and the cloud project,
// to and from the box; stopping and rebooting the box around a send.
#include <cstdio>
#include <memory>

#include "formats/crypto/digest.h"
#include "ops/transfer/transfer_log.h"
#include "ops/transfer/transfer_ops.h"
#include "settings/message_keys.h"

namespace orbo {
namespace {

constexpr std::string_view kProjectBoxName = "cloudprj.kzrp";
constexpr int kRebootPauseMs = 2000;

// Steps 4 and 5: announce and send the local file. True when the box
// confirmed it.
bool SendLocalFile(OpsContext& ctx, const CommandState& state, std::string_view box_name) {
  const PageScripts& page = ctx.scripts;
  page.ShowKey(box_name == kProjectBoxName ? keys::kDownloadProjectFile
                                           : keys::kDownloadConfigFile);
  // A file whose digest cannot be taken (missing, a folder) is not sent.
  std::string digest;
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(nullptr, std::fclose);
  if (Md5FileHex(state.transferPath, &digest) == 0)
    file.reset(std::fopen(state.transferPath.c_str(), "rbe"));
  if (!file) {
    page.ShowKey(keys::kDownloadFailed);
    return false;
  }
  return SendFileLogged(ctx.link, box_name, file.get(), digest, page);
}

}  // namespace

bool StopBoxPrograms(OpsContext& ctx) {
  ctx.scripts.ShowKey(keys::kStoppingOrbo);
  ReplyBuffer reply;
  if (!ctx.link.SendCommand("TerminateAll\r", &reply)) {
    ctx.scripts.ShowKey(keys::kStopOrboFailed);
    return false;
  }
  reply.Clear();
  ctx.link.SendCommand("DeleteFile //mnt//kavel//kavel//run//project//quectel.log\r", &reply);
  return true;
}

void RebootBox(OpsContext& ctx) {
  ctx.scripts.ShowKey(keys::kRebootOrbo);
  ReplyBuffer reply;
  ctx.link.SendCommand("reset\r", &reply);
}

bool SendToBox(OpsContext& ctx, CommandState& state, std::string_view boxName) {
  // A box that refuses to stop is not touched further.
  if (!StopBoxPrograms(ctx)) return false;

  // A failed firmware step skips the file but still reboots the box.
  const bool sent = FirmwareCheck(ctx) && SendLocalFile(ctx, state, boxName);

  RebootBox(ctx);
  ctx.scripts.Run("DisableOperate(true);");
  ctx.sleeper.SleepMs(kRebootPauseMs);
  state.linkDown = 1;
  state.detectRequested = 1;
  return sent;
}

bool FetchFromBox(OpsContext& ctx, const CommandState& state, std::string_view boxName) {
  return FetchFileLogged(ctx.link, boxName, state.uploadPassword, state.transferPath,
                         ctx.scripts) == FetchOutcome::kSuccess;
}

}  // namespace orbo
