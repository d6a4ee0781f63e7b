// Queued operation 5: the box tests its network links and the result is
// shown in the page's log.
#pragma once

#include "ops/context/ops_context.h"

namespace orbo {

// Asks "TestNetworkJson\r\n" and shows the JSON report; when that command
// fails, asks "TestNetwork\r\n" and shows the text report. Shows
// detect_network_failed when both fail or the JSON report is not a JSON
// object. Returns true when a report was shown.
bool RunNetworkTest(OpsContext& ctx);

}  // namespace orbo
