// The box side of the worker in one piece, for the tool's composition
// root: the box link, the operation context, the link step and the
// operation dispatcher, wired to each other.
#pragma once

#include <filesystem>
#include <memory>

#include "bridge/bridge_services.h"
#include "bridge/page.h"
#include "link/box_link.h"
#include "ops/context/ops_context.h"
#include "ops/context/wall_clock.h"
#include "ops/detect_box.h"
#include "ops/ops_dispatcher.h"
#include "platform/clipboard.h"
#include "platform/local_addresses.h"
#include "platform/prompts.h"
#include "platform/sleeper.h"

namespace orbo {

// What the bundle borrows; every pointer must outlive it.
struct BoxOpsDeps {
  std::filesystem::path appDir;
  HidBackend* hid = nullptr;                     // null: no USB box can be found
  Sleeper* sleeper = nullptr;                    // every protocol pause; required
  const PageScripts* scripts = nullptr;          // required
  Prompts* prompts = nullptr;                    // null: every question is answered No
  Clipboard* clipboard = nullptr;                // null: nothing is copied
  PageView* view = nullptr;                      // null: the page always counts as ready
  LocalAddressSource* localAddresses = nullptr;  // null: the host's addresses
  const WallClock* clock = nullptr;              // null: the system clock
  BoxLinkOptions linkOptions;
};

class BoxOpsBundle {
 public:
  explicit BoxOpsBundle(const BoxOpsDeps& deps);
  ~BoxOpsBundle();
  BoxOpsBundle(const BoxOpsBundle&) = delete;
  BoxOpsBundle& operator=(const BoxOpsBundle&) = delete;

  LinkStep& linkStep() { return step_; }
  BoxOperations& operations() { return dispatcher_; }
  OpsContext& context() { return ctx_; }
  BoxLink& link() { return link_; }

 private:
  // Stand-ins for missing borrowed services; declared before ctx_, which
  // refers to them.
  std::unique_ptr<Prompts> ownPrompts_;
  std::unique_ptr<Clipboard> ownClipboard_;
  std::unique_ptr<LocalAddressSource> ownAddresses_;
  BoxLink link_;
  OpsContext ctx_;
  DetectLinkStep step_;
  OpsDispatcher dispatcher_;
};

}  // namespace orbo
