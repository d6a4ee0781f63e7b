#include "ops/detect_box.h"

#include <cstdint>
#include <system_error>

#include "base/codepage.h"
#include "base/js_escape.h"
#include "link/discovery/discover.h"
#include "ops/text_scan.h"

namespace orbo {
namespace {

constexpr int64_t kPagePauseMs = 100;

bool DefaultConnect(BoxLink& link, const CommandState& state) {
  return BuildLink(link, state.connectMode, state.boxAddress, state.boxPort);
}

bool IsKnownConnectMode(const std::string& mode) {
  return mode == "USB:Download" || mode == "LocalNetwork";
}

}  // namespace

DetectLinkStep::DetectLinkStep(OpsContext& ctx, Connector connect)
    : ctx_(ctx), connect_(connect ? std::move(connect) : Connector(DefaultConnect)) {}

bool DetectLinkStep::ConnectAndDetect(CommandState& state) {
  if (!IsKnownConnectMode(state.connectMode)) return false;
  const bool linkUp = connect_(ctx_.link, state);
  if (ctx_.view && !ctx_.view->IsReady()) return false;

  if (state.offerSetupUpload) {
    ctx_.sleeper.SleepMs(kPagePauseMs);
    std::error_code ec;
    if (std::filesystem::exists(ctx_.appDir / "setup.xml", ec)) {
      ctx_.scripts.Run("ShowUpLoadSetup();");
    }
    state.offerSetupUpload = 0;
  }

  if (state.pendingCommand == Code(PageCommand::kScanLan)) {
    std::string list;
    Discover(state.boxAddress, &list, state.listScanArg, ctx_.localAddresses);
    ctx_.scripts.Run("RefreshList(\"" + JsEscape(list) + "\");");
    state.pendingCommand = -1;
    return false;
  }

  if (!linkUp) {
    CountFailure(state);
    return false;
  }

  if (state.pendingCommand == Code(PageCommand::kSetupButton)) {
    ctx_.sleeper.SleepMs(kPagePauseMs);
    state.pendingCommand = -1;
  }

  if (!state.detectRequested) {
    ctx_.sleeper.SleepMs(kPagePauseMs);
    ctx_.scripts.Run("DisableOperate(false);");
    state.linkDown = 0;
    return true;
  }

  const bool identified = Identify(state);
  state.linkDown = 0;
  return identified;
}

void DetectLinkStep::Close() {
  ctx_.link.Close();
}

void DetectLinkStep::CountFailure(CommandState& state) {
  if (++state.failureCount < kFailuresPerReport) return;
  state.failureCount = 0;
  // Reported once: only when the box was reachable (or a command was
  // queued) since the last report.
  if (!state.linkDown) {
    ctx_.sleeper.SleepMs(kPagePauseMs);
    ctx_.scripts.ShowKey("detect_orbo_failed");
    ctx_.scripts.Run("DisableOperate(true);");
  }
  state.linkDown = 1;
  state.detectRequested = 1;
}

bool DetectLinkStep::Identify(CommandState& state) {
  ReplyBuffer& type = ctx_.typeReply;
  ReplyBuffer& serial = ctx_.serialReply;
  ReplyBuffer& mode = ctx_.modeReply;
  type.Clear();
  serial.Clear();
  mode.Clear();

  bool result = false;
  if (ctx_.link.SendCommand("GetHMIType\r", &type)) {
    result = ctx_.link.SendCommand("GetRmtSN\r\n", &serial);
    state.boxMode = -1;
    if (ctx_.link.SendCommand("GetBoxMode\r\n", &mode)) ScanBoxMode(mode.Text(), &state.boxMode);
  }

  const std::string_view typeText = type.Text();
  const std::string_view serialText = serial.Text();
  state.hmiTypeText = Codepage::ToUtf8Lossy(typeText);
  state.serialText = Codepage::ToUtf8Lossy(serialText);

  // A box that answers with errors, nothing, or an echo of its type text
  // has not identified itself.
  const bool unknown = typeText.empty() || type.StartsWith("ERROR\r") || serialText.empty() ||
                       serial.StartsWith("ERROR\r") || serial.StartsWith(typeText) || !result;
  if (unknown) {
    state.hmiTypeText.clear();
    ctx_.scripts.Run("DetectBox(\"UNKNOWN\", -1);");
    return result;
  }
  state.detectRequested = 0;
  ctx_.scripts.Run("DetectBox(\"" + JsEscape(state.hmiTypeText) + "\", " +
                   std::to_string(state.boxMode) + ");");
  ctx_.scripts.ShowLog(state.serialText);
  return result;
}

}  // namespace orbo
