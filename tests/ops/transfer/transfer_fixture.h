// An operation context over a scripted transport, with a fresh app
// directory, a recording page and scripted prompts. Message keys show as
// their own names.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "app/page.h"
#include "link/box_link.h"
#include "link/channel/link_fakes.h"
#include "ops/ops_context.h"
#include "platform/clipboard.h"
#include "platform/local_addresses.h"
#include "support/fake_sleeper.h"
#include "support/recording_view.h"
#include "support/scripted_prompts.h"
#include "support/temp_dir.h"

namespace orbo::test {

class NullClipboard : public Clipboard {
 public:
  bool SetText(const std::string&) override { return false; }
};

class TransferFixture {
 public:
  TransferFixture()
      : link(nullptr, linkSleeper, QuickOptions()),
        scripts(&view, [](std::string_view key) { return std::string(key); }),
        addresses({}),
        ctx(dir.path(), link, scripts, prompts, clipboard, sleeper, &view, addresses) {
    link.Attach(&transport);
  }

  static BoxLinkOptions QuickOptions() {
    BoxLinkOptions o;
    o.command_pause_ms = 0;
    return o;
  }

  // The page's log lines: the text of every AddText script, in order.
  std::vector<std::string> LogLines() const {
    std::vector<std::string> lines;
    for (const std::string& s : view.scripts()) {
      const std::string head = "AddText(\"";
      if (s.rfind(head, 0) == 0 && s.size() >= head.size() + 3) {
        lines.push_back(s.substr(head.size(), s.size() - head.size() - 3));
      }
    }
    return lines;
  }
  bool Logged(const std::string& line) const {
    for (const std::string& l : LogLines()) {
      if (l == line) return true;
    }
    return false;
  }
  // Every file below the app directory (relative paths), for leak checks.
  std::vector<std::string> Files() const {
    std::vector<std::string> files;
    for (const auto& e : std::filesystem::recursive_directory_iterator(dir.path())) {
      if (e.is_regular_file()) files.push_back(e.path().lexically_relative(dir.path()).string());
    }
    std::sort(files.begin(), files.end());
    return files;
  }
  // Queues the replies of a successful file send.
  void QueueSendAcks() {
    transport.Queue("OK\r");
    transport.Queue("okok!\r");
    transport.Queue("okok!\r");
    transport.Queue("okokok!");
  }

  TempDir dir;
  FakeTransport transport;
  FakeSleeper linkSleeper;
  FakeSleeper sleeper;
  BoxLink link;
  RecordingView view;
  PageScripts scripts;
  ScriptedPrompts prompts;
  NullClipboard clipboard;
  FixedAddressSource addresses;
  OpsContext ctx;
};

}  // namespace orbo::test
