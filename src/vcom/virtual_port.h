// The tool's one virtual COM port: the connection "ORBO_COM" of the port
// service. It is created at start-up towards the placeholder target
// localhost:5001, re-created towards a box for a serial pass-through (page
// command 7) and back (command 8), and removed when the tool ends. A TCP
// pass-through runs the local relay instead and leaves the port alone.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>

#include "platform/sleeper.h"
#include "vcom/com_ports.h"
#include "vcom/relay.h"
#include "vcom/sec_library.h"
#include "vcom/service_control.h"

namespace orbo {
class PageScripts;
class Prompts;
class SettingsStore;
}  // namespace orbo

namespace orbo::vcom {

struct VirtualPortState {
  std::string comName;  // from setting "VirCom"; saved back on each creation
  std::string remoteHost = "localhost";
  std::string remotePort = "5001";
  std::string portSettings = "9600,N,8,1";
  int tunnelMode = 0;  // 0 none, 1 serial pass-through, 2 TCP relay
};

// Everything the port needs from the rest of the tool.
struct VirtualPortDeps {
  SecLibrary* library = nullptr;
  ServiceControl* service = nullptr;
  ComPorts* ports = nullptr;
  Sleeper* sleeper = nullptr;
  SettingsStore* settings = nullptr;     // "VirCom", "tp", texts, SaveSettings
  Prompts* prompts = nullptr;            // create_error message boxes
  StatusText* mainWindow = nullptr;      // status texts when no window is given
  const PageScripts* scripts = nullptr;  // log lines in the page (may be null)
};

class VirtualPort {
 public:
  // Reads comName from the settings' "VirCom".
  explicit VirtualPort(const VirtualPortDeps& deps);
  // Waits for the start-up thread and stops the relay.
  ~VirtualPort();
  VirtualPort(const VirtualPort&) = delete;
  VirtualPort& operator=(const VirtualPort&) = delete;

  // Creates and configures the connection and puts it into service; the
  // library link must be open. Non-zero when it went into service.
  int CreateVirtualPort();
  // Up to 4 creation attempts, the service reset between them. Closes the
  // library link; true when the port exists afterwards.
  bool CreateAndVerifyPort();
  // Up to 4 rounds of delete, service reset and creation. Closes the
  // library link; true when the port exists afterwards.
  bool RebuildVirtualPort();
  // The start-up: reach (or install) the service, remove a leftover test
  // connection when "tp" is set, create the port, report. window gets the
  // status texts (null: the main window).
  void StartVirtualPort(StatusText* window);
  // Runs StartVirtualPort on a thread of its own; portReady is 0 until it
  // ends.
  void StartVirtualPortThread(StatusText* window);
  // Page command 7: 0 when json is not a JSON object, else 1 (0 as well
  // when the relay thread could not be started). Serial settings that
  // cannot be used leave the port as it is and show create_error; a relay
  // that cannot listen says so in the page and the status line.
  int ApplyPassThrough(const std::string& json);
  // Page command 8: back to the placeholder target or stop the relay. 1.
  int EndPassThrough();
  // The first connection named name; false when the list is not an array
  // or a name cannot be read before it is found.
  bool FindNamedConnection(const std::string& name, int32_t* id);
  // At exit: waits for the start-up, stops the relay, and deletes the
  // connection (up to 4 tries) until the port is gone.
  void RemoveAtExit();

  // The settings dialog's choice of name; the next creation uses it.
  void SetComName(const std::string& name);

  bool portReady() const { return portReady_.load() != 0; }
  VirtualPortState state() const;
  const Relay& relay() const { return relay_; }

 private:
  void Alert(std::string_view key);
  void Status(StatusText* window, std::string_view key);
  void ShowStatusText(StatusText* window, const std::string& text);
  std::string ComName() const;

  const VirtualPortDeps deps_;
  // Held for each whole creation cycle and pass-through step, so the
  // start-up thread and the UI thread never interleave their service calls.
  std::recursive_mutex operationMutex_;
  mutable std::mutex stateMutex_;  // guards state_
  VirtualPortState state_;
  int relayListenPort_ = 0;  // "e_port" of the last request that gave one
  std::atomic<int> portReady_{1};
  Relay relay_;
  std::thread startThread_;
};

}  // namespace orbo::vcom
