// Showing the box's network report in the page's log, line by line: the
// JSON report of current boxes and the text report of older ones. Lines
// are message keys (localised by the page scripts) or literal text.
#pragma once

#include <string_view>

#include "bridge/page.h"

namespace orbo {

// Shows the JSON report: a section per enabled interface (Ethernet, Wi-Fi,
// 4G, 2G) with its addresses or the matching failure keys, the server
// connection time for the interface named by "conNetType", and a closing
// separator. Keys are matched case-sensitively; a member of the wrong type
// counts as absent. Returns false, showing nothing, when reply is not a
// JSON object.
bool ShowNetworkJson(std::string_view reply, const PageScripts& scripts);

// Shows the text report (already converted to UTF-8): up to three
// ";"-terminated records "iface:state,ip:addr,ping:<n>ms\n..." with a
// separator before each and one at the end.
void ShowNetworkText(std::string_view text, const PageScripts& scripts);

}  // namespace orbo
