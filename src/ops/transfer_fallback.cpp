// Stand-ins for the transfer operations while their library is not part of
// the build: each says so in the log and reports failure to the page.
#include "base/logger.h"
#include "ops/transfer/transfer_ops.h"

namespace orbo {

int BuildSetupXml(const std::filesystem::path&, const std::string&) {
  ORBO_LOG_WARN("configuration files are not available in this build");
  return -1;
}

void SendToBox(OpsContext& ctx, CommandState&, std::string_view) {
  ORBO_LOG_WARN("sending files to the box is not available in this build");
  ctx.scripts.ShowKey("download_failed");
}

bool FetchFromBox(OpsContext& ctx, const CommandState&, std::string_view) {
  ORBO_LOG_WARN("fetching files from the box is not available in this build");
  ctx.scripts.ShowKey("upload_config_failed");
  return false;
}

bool FirmwareCheck(OpsContext& ctx) {
  ORBO_LOG_WARN("the firmware check is not available in this build");
  ctx.scripts.ShowKey("detect_soft_fireware_failed");
  return false;
}

}  // namespace orbo
