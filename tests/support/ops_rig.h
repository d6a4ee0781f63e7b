// An operation context over a box link, for tests of the box operations:
// a fresh app directory, a page that records what it is shown, scripted
// prompts and a clipboard that takes nothing. Message keys show as their
// own names; every pause is virtual. Header only: its users link the
// operations and link libraries.
#pragma once

#include <algorithm>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "bridge/page.h"
#include "link/box_link.h"
#include "ops/context/ops_context.h"
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

class OpsRig {
 public:
  // hid: the USB backend of the link (may be null); options: its limits.
  OpsRig(HidBackend* hid, BoxLinkOptions options)
      : link(hid, linkSleeper, options),
        scripts(&view, [](std::string_view key) { return std::string(key); }),
        addresses({}),
        ctx(dir.path(), link, scripts, prompts, clipboard, sleeper, &view, addresses) {}
  OpsRig(const OpsRig&) = delete;
  OpsRig& operator=(const OpsRig&) = delete;

  // The page's log lines: the text of every AddText script, in order.
  std::vector<std::string> LogLines() const {
    std::vector<std::string> lines;
    const std::string head = "AddText(\"";
    for (const std::string& s : view.scripts()) {
      if (s.rfind(head, 0) == 0 && s.size() >= head.size() + 3) {
        lines.push_back(s.substr(head.size(), s.size() - head.size() - 3));
      }
    }
    return lines;
  }
  bool Logged(const std::string& line) const {
    const std::vector<std::string> lines = LogLines();
    return std::find(lines.begin(), lines.end(), line) != lines.end();
  }
  // Every file below the app directory (relative paths, sorted), for
  // checking that nothing was left behind.
  std::vector<std::string> Files() const {
    std::vector<std::string> files;
    for (const auto& e : std::filesystem::recursive_directory_iterator(dir.path())) {
      if (e.is_regular_file()) files.push_back(e.path().lexically_relative(dir.path()).string());
    }
    std::sort(files.begin(), files.end());
    return files;
  }

  TempDir dir;  // the app directory
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
