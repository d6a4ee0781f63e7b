// An operation context whose box is a ScriptedTransport, for the targets
// that feed box replies to the real operations. The app directory is the
// scratch folder; prompts answer No, the clipboard takes nothing and every
// pause is virtual.
#pragma once

#include <string>
#include <string_view>

#include "bridge/page.h"
#include "fuzz_support.h"
#include "link/box_link.h"
#include "ops/context/ops_context.h"
#include "platform/clipboard.h"
#include "platform/local_addresses.h"
#include "scripted_transport.h"
#include "support/fake_sleeper.h"
#include "support/recording_view.h"
#include "support/scripted_prompts.h"

namespace orbo::fuzz {

class NullClipboard : public Clipboard {
 public:
  bool SetText(const std::string&) override { return false; }
};

struct OpsRig {
  explicit OpsRig(std::string_view script)
      : transport(script),
        link(nullptr, linkSleeper),
        scripts(&view, [](std::string_view key) { return std::string(key); }),
        addresses({}),
        ctx(ScratchDir(), link, scripts, prompts, clipboard, sleeper, &view, addresses) {
    link.Attach(&transport);
  }
  OpsRig(const OpsRig&) = delete;
  OpsRig& operator=(const OpsRig&) = delete;

  // Every script the page got is one plain call: no box text ran as code.
  void CheckScripts() const {
    for (const std::string& s : view.scripts()) {
      if (!IsPlainCall(s)) {
        std::fprintf(stderr, "script is not a plain call: %s\n", s.c_str());
        FUZZ_CHECK(false);
      }
    }
  }

  ScriptedTransport transport;
  test::FakeSleeper linkSleeper;
  test::FakeSleeper sleeper;
  BoxLink link;
  test::RecordingView view;
  PageScripts scripts;
  test::ScriptedPrompts prompts;
  NullClipboard clipboard;
  FixedAddressSource addresses;
  OpsContext ctx;
};

}  // namespace orbo::fuzz
