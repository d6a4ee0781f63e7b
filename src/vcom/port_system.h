// The virtual port as the tool runs it: the connection client, the port
// service started from the tool's folder, the system's COM names and the
// port itself, put together, and offered to the page as its pass-through
// (page commands 7 and 8).
#pragma once

#include <filesystem>
#include <memory>

#include "bridge/bridge_services.h"
#include "vcom/linux_com_ports.h"
#include "vcom/sec_client.h"
#include "vcom/service_control.h"
#include "vcom/virtual_port.h"

namespace orbo::vcom {

class PortSystem : public PassThrough {
 public:
  // The service executable is programDir/orbo-portd (programDir empty:
  // appDir, as in a build tree). settings and prompts are borrowed; status
  // (may be null) receives the status texts, scripts (may be null) the
  // page's log lines. All must outlive this object.
  PortSystem(const std::filesystem::path& appDir, SettingsStore* settings, Prompts* prompts,
             StatusText* status, const std::filesystem::path& programDir = {},
             const PageScripts* scripts = nullptr);
  // Removes the port (RemoveAtExit) when Start ran.
  ~PortSystem() override;

  // Starts the port's start-up thread (StartVirtualPort).
  void Start();
  // Waits for the start-up, stops the relay and deletes the port.
  void RemoveAtExit();

  int ApplyPassThrough(const std::string& json) override;
  int EndPassThrough() override;

  VirtualPort& port() { return *port_; }
  // The parts the settings dialog drives directly.
  SecLibrary& library() { return client_; }
  ServiceControl& control() { return control_; }
  ComPorts& comPorts() { return comPorts_; }

 private:
  StatusText* const status_;
  SecClient client_;
  ProcessServiceRunner runner_;
  ServiceControl control_;
  LinuxComPorts comPorts_;
  std::unique_ptr<VirtualPort> port_;
  bool started_ = false;
};

}  // namespace orbo::vcom
