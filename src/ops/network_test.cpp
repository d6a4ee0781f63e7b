#include "ops/network_test.h"

#include "base/codepage.h"
#include "ops/context/log_lines.h"
#include "ops/network_report.h"

namespace orbo {

bool RunNetworkTest(OpsContext& ctx) {
  ctx.scripts.ShowLog(kDashLine);
  ctx.scripts.ShowKey("detecting_network");
  ReplyBuffer reply;
  if (ctx.link.SendCommand("TestNetworkJson\r\n", &reply)) {
    if (ShowNetworkJson(reply.Text(), ctx.scripts)) return true;
    // A report that is not JSON is a failed test, not an empty one.
    ctx.scripts.ShowKey("detect_network_failed");
    return false;
  }
  // Cleared again: what the first command left must not mix with this reply.
  reply.Clear();
  if (!ctx.link.SendCommand("TestNetwork\r\n", &reply)) {
    ctx.scripts.ShowKey("detect_network_failed");
    return false;
  }
  ShowNetworkText(Codepage::ToUtf8Lossy(reply.Text()), ctx.scripts);
  return true;
}

}  // namespace orbo
