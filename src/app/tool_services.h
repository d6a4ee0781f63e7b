// The composition root shared by the desktop window and the headless page
// host: owns the settings record and one implementation of every service
// the main window's core calls, and hands them out as BridgeServices.
#pragma once

#include <filesystem>
#include <memory>
#include <string>

#include "app/main_frame.h"
#include "bridge/bridge_services.h"
#include "bridge/page.h"
#include "desktop/browser_list.h"
#include "desktop/browser_open.h"
#include "link/box_link.h"
#include "platform/sleeper.h"
#include "settings/app_settings.h"

namespace orbo {

namespace vcom {
class PortSystem;
class StatusText;
}  // namespace vcom

class BoxOpsBundle;
class Clipboard;
class HidBackend;
class Prompts;

// How the tool reaches its box, for the front ends' command lines.
struct ToolOptions {
  // The simulator's USB report socket; empty: a real box through hidapi.
  std::string usbSimSocket;
  // The virtual port (and the port service behind it); off for runs that
  // do not need it, whose page commands 7 and 8 then report failure.
  bool virtualPort = true;
  // Where the port's status texts go (the window's status line, the page
  // host's output); borrowed, may be null.
  vcom::StatusText* statusText = nullptr;
  // Where the tool's programs (orbo-portd) are when not in the app folder
  // (an installed tool works in a per-user folder); empty: the app folder.
  std::filesystem::path programDir;
  // The run's company name from branding ("comp"), which the settings file
  // never holds; empty: none.
  std::string company;
};

// Limits tests shorten; the defaults are the protocol's.
struct ToolTuning {
  BoxLinkOptions link;
  int64_t workerStartDelayMs = kWorkerStartDelayMs;
};

class ToolServices {
 public:
  // Loads the settings of appDir. view, prompts and clipboard are borrowed
  // and must outlive this object (and every MainFrameCore built from it).
  ToolServices(std::filesystem::path appDir, PageView* view, Prompts* prompts, Clipboard* clipboard,
               ToolOptions options = {}, ToolTuning tuning = {});
  ~ToolServices();
  ToolServices(const ToolServices&) = delete;
  ToolServices& operator=(const ToolServices&) = delete;

  // The services for one MainFrameCore; the pointers stay valid while this
  // object lives. Its sleeper is shared with the link step and the
  // operations, and its onStop wakes that sleeper for good and interrupts
  // the box link, so a running operation ends at once.
  BridgeServices Services();

  // Starts the virtual port's start-up thread (when the port is on); the
  // port is removed again when this object goes.
  void StartVirtualPort();
  // portReady: false while the port's start-up thread runs; true when the
  // port is off.
  bool PortReady() const;
  // The active pass-through (0 none, 1 serial, 2 TCP relay); 0 when the
  // port is off.
  int TunnelMode() const;
  // Removes the port service (UninstallService); false when the port is
  // off, so this run has no service to remove.
  bool RemovePortService();

  const std::filesystem::path& appDir() const { return appDir_; }
  SettingsStore& settings() { return settings_; }
  // RunScript for the link step and the operations (same view and lookup
  // as the core's).
  const PageScripts& scripts() const { return scripts_; }

  // Builds the list of installed web browsers from the desktop's entries
  // and known install places and decides the one to use ("bro", else
  // Chrome, else the default http handler; "bro" is saved when another took
  // its place). Front ends call it once, after their window exists.
  void DetectBrowsers();
  BrowserList& browsers() { return browsers_; }
  // The virtual port and its service; null when the port is off.
  vcom::PortSystem* portSystem() { return ports_.get(); }
  // Opens url in the selected browser, url being one argument.
  OpenResult OpenInBrowser(const std::string& url);

 private:
  const std::filesystem::path appDir_;
  PageView* view_;
  Prompts* prompts_;
  Clipboard* clipboard_;
  SettingsStore settings_;
  PageScripts scripts_;
  RealSleeper workerSleeper_;
  int64_t workerStartDelayMs_;

  std::unique_ptr<SetupFileBuilder> setup_;
  std::unique_ptr<WifiStore> wifi_;
  std::unique_ptr<vcom::PortSystem> ports_;          // when the port is on
  std::unique_ptr<PassThrough> passThroughStandIn_;  // when it is off
  PassThrough* passThrough_ = nullptr;
  std::unique_ptr<EditorIntegration> editor_;
  // The box side of the worker: link step and operations over one link.
  std::unique_ptr<HidBackend> hid_;
  std::unique_ptr<BoxOpsBundle> boxOps_;
  BrowserList browsers_;  // locks itself; read from any thread
};

// The cloud monitoring address (URL2 of html/Default.xml): an address with
// a scheme as it stands, an absolute path as it stands, anything else as a
// page under appDir/html. Empty when the file has none; nullopt when the
// file or its elements cannot be read.
std::optional<std::string> ReadCloudUrl(const std::filesystem::path& appDir);

}  // namespace orbo
