// Operations that page calls and the box worker start, each behind a small
// interface so the bridge builds and tests on its own and the subsystems
// that own the operations plug in their implementations.
#pragma once

#include <optional>
#include <string>

#include "app/command_state.h"

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

// The serial pass-through to a box (page commands 7 and 8).
class PassThrough {
 public:
  virtual ~PassThrough() = default;
  virtual int ApplyPassThrough(const std::string& json) = 0;
  virtual int EndPassThrough() = 0;
};

// The panel editor (page commands 23 and 24).
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
  // Runs one of the codes 1, 2, 3, 4, 5, 13, 14, 15, 16, 18; the worker
  // never passes any other.
  virtual void Run(int code, CommandState& state) = 0;
};

}  // namespace orbo
