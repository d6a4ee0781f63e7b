// What the settings dialog does to the port service and the virtual port,
// as one small seam: the real one drives the tool's port, tests drive a
// double, and a run without the virtual port has a service that never
// answers.
#pragma once

#include <optional>
#include <string>

#include "vcom/com_ports.h"
#include "vcom/port_paths.h"
#include "vcom/port_traffic.h"
#include "vcom/sec_client.h"

namespace orbo {

namespace vcom {
class ComPorts;
class SecLibrary;
class ServiceControl;
class VirtualPort;
}  // namespace vcom

class PortControl {
 public:
  virtual ~PortControl() = default;
  // sec_ConnectService("."): true when the service answered (the link then
  // stays open until DisconnectService or the next port operation).
  virtual bool ConnectService() = 0;
  virtual void DisconnectService() = 0;
  virtual void EnableService() = 0;
  virtual void DisableService() = 0;
  virtual void DeletePortConnection() = 0;
  // True when the port exists afterwards.
  virtual bool CreateAndVerifyPort() = 0;
  virtual bool RebuildVirtualPort() = 0;
  virtual bool IsComPortPresent(const std::string& name) = 0;
  virtual vcom::ComChoices BuildComChoices(bool serviceInstalled,
                                           const std::string& inUseSuffix) = 0;
  virtual std::string comName() = 0;
  virtual void SetComName(const std::string& name) = 0;
  // 0 none, 1 serial pass-through, 2 TCP relay.
  virtual int tunnelMode() = 0;
  // The counters of the port in service; nullopt when there is none.
  virtual std::optional<vcom::PortTraffic> Traffic() { return std::nullopt; }
};

// The tool's own port. Every part is borrowed and must outlive this object.
class VirtualPortControl : public PortControl {
 public:
  VirtualPortControl(vcom::SecLibrary& library, vcom::ServiceControl& service,
                     vcom::ComPorts& ports, vcom::VirtualPort& port)
      : library_(library),
        statusClient_(vcom::ServiceSocketPath(), 2000),
        service_(service),
        ports_(ports),
        port_(port) {}

  bool ConnectService() override;
  void DisconnectService() override;
  void EnableService() override;
  void DisableService() override;
  void DeletePortConnection() override;
  bool CreateAndVerifyPort() override;
  bool RebuildVirtualPort() override;
  bool IsComPortPresent(const std::string& name) override;
  vcom::ComChoices BuildComChoices(bool serviceInstalled, const std::string& inUseSuffix) override;
  std::string comName() override;
  void SetComName(const std::string& name) override;
  int tunnelMode() override;
  std::optional<vcom::PortTraffic> Traffic() override;

 private:
  vcom::SecLibrary& library_;
  vcom::SecClient statusClient_;  // a link of its own, so the port's is never disturbed
  vcom::ServiceControl& service_;
  vcom::ComPorts& ports_;
  vcom::VirtualPort& port_;
};

// A run without the virtual port: the service never answers, nothing
// exists and every change does nothing.
class AbsentPortControl : public PortControl {
 public:
  bool ConnectService() override { return false; }
  void DisconnectService() override {}
  void EnableService() override {}
  void DisableService() override {}
  void DeletePortConnection() override {}
  bool CreateAndVerifyPort() override { return false; }
  bool RebuildVirtualPort() override { return false; }
  bool IsComPortPresent(const std::string&) override { return false; }
  vcom::ComChoices BuildComChoices(bool, const std::string&) override { return {}; }
  std::string comName() override { return {}; }
  void SetComName(const std::string&) override {}
  int tunnelMode() override { return 0; }
};

}  // namespace orbo
