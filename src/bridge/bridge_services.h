// Operations that page calls and the box worker start, each behind a small
// interface so the bridge builds and tests on its own and the subsystems
// that own the operations plug in their implementations.
#pragma once

#include <optional>
#include <string>

#include "bridge/command_state.h"
#include "bridge/page_command.h"

namespace orbo {

// Builds setup.xml beside the executable from html/Default.xml and the
// page's U+0002-separated (element, attribute, value) triples. 0 or -1.
class SetupFileBuilder {
 public:
  virtual ~SetupFileBuilder() = default;
  virtual int BuildSetupXml(const std::string& form) = 0;
};

// The remembered Wi-Fi networks (WifiList.xml). 0 on success, -1 otherwise.
class WifiStore {
 public:
  virtual ~WifiStore() = default;
  virtual int SaveWifi(const std::optional<std::string>& name,
                       const std::optional<std::string>& password) = 0;
  virtual int RemoveWifi(const std::string& name) = 0;
};

// The serial pass-through to a box (page commands kStartPassThrough and
// kEndPassThrough). Answered on the UI side; 0 on success, negative on failure.
class PassThrough {
 public:
  virtual ~PassThrough() = default;
  virtual int ApplyPassThrough(const std::string& json) = 0;
  virtual int EndPassThrough() = 0;
};

// The panel editor (page commands kEditorCheck and kHmiDownload), answered
// in the page's own process.
class EditorIntegration {
 public:
  virtual ~EditorIntegration() = default;
  // 1 when folder (empty: the configured one) holds a usable editor, else 0.
  virtual int IsEditorUsable(const std::string& folder) = 0;
  virtual int LaunchHmiDownload(const std::string& json) = 0;
};

// The worker's link step: rebuild the box link for state.connectMode, run a
// requested discovery, count failures, identify the box. True when the link
// is up (and identification, if it ran, succeeded).
class LinkStep {
 public:
  virtual ~LinkStep() = default;
  virtual bool ConnectAndDetect(CommandState& state) = 0;
  // Closes the USB device record; called when the worker ends.
  virtual void Close() = 0;
};

// The queued box operations, run by the worker after a good link step.
class BoxOperations {
 public:
  virtual ~BoxOperations() = default;
  // Runs one operation for which IsWorkerOperation is true; the worker
  // never passes any other.
  virtual void Run(BoxOperation operation, CommandState& state) = 0;
};

}  // namespace orbo
