// What every box operation works with: the link, the page, the user's
// prompts, the clipboard, the pauses, and the reply buffers the main window
// keeps between cycles. One instance lives as long as the box worker and is
// used on the worker thread only.
#pragma once

#include <filesystem>
#include <string>

#include "bridge/page.h"
#include "link/box_link.h"
#include "ops/context/wall_clock.h"
#include "platform/clipboard.h"
#include "platform/local_addresses.h"
#include "platform/prompts.h"
#include "platform/sleeper.h"

namespace orbo {

struct OpsContext {
  OpsContext(std::filesystem::path appDir, BoxLink& link, const PageScripts& scripts,
             Prompts& prompts, Clipboard& clipboard, Sleeper& sleeper, PageView* view,
             LocalAddressSource& localAddresses)
      : appDir(std::move(appDir)),
        link(link),
        scripts(scripts),
        prompts(prompts),
        clipboard(clipboard),
        sleeper(sleeper),
        view(view),
        localAddresses(localAddresses) {}

  const std::filesystem::path appDir;
  BoxLink& link;
  const PageScripts& scripts;
  Prompts& prompts;
  Clipboard& clipboard;
  Sleeper& sleeper;
  PageView* view;  // null: the page is always ready
  LocalAddressSource& localAddresses;
  // The PC's clock for the time operation; null: the system clock.
  const WallClock* clock = nullptr;

  // Raw replies of the identification commands ("GetHMIType\r",
  // "GetRmtSN\r\n", "GetBoxMode\r\n"); the machine-code operation reuses
  // serialReply and the firmware check reads typeReply.
  ReplyBuffer typeReply;
  ReplyBuffer serialReply;
  ReplyBuffer modeReply;
  // "Kernel" of the box model found by the last catalogue read; kept until
  // the next one replaces it.
  std::string kernelFamily;

  // Asks a Yes/No question with the localised texts of key and alert_title.
  bool AskKey(std::string_view key) const {
    return prompts.AskYesNo(scripts.LookupText("alert_title"), scripts.LookupText(key));
  }
};

}  // namespace orbo
