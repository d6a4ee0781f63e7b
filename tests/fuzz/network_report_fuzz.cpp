// The box's network report, JSON and text, as shown in the page's log.
// Every script the page gets must be one plain call.
#include <string>

#include "bridge/page.h"
#include "fuzz_support.h"
#include "ops/network_report.h"
#include "support/recording_view.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view reply = orbo::fuzz::AsText(data, size);
  orbo::test::RecordingView view;
  const orbo::PageScripts scripts(&view, [](std::string_view key) { return std::string(key); });
  if (!orbo::ShowNetworkJson(reply, scripts)) FUZZ_CHECK(view.scripts().empty());
  orbo::ShowNetworkText(reply, scripts);
  for (const std::string& s : view.scripts()) FUZZ_CHECK(orbo::fuzz::IsPlainCall(s));
  return 0;
}
