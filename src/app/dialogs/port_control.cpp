#include "app/dialogs/port_control.h"

#include "vcom/sec_library.h"
#include "vcom/service_control.h"
#include "vcom/virtual_port.h"

namespace orbo {

bool VirtualPortControl::ConnectService() {
  return library_.sec_ConnectService(".") != 0;
}
void VirtualPortControl::DisconnectService() {
  library_.sec_DisconnectService();
}
void VirtualPortControl::EnableService() {
  service_.EnableService();
}
void VirtualPortControl::DisableService() {
  service_.DisableService();
}
void VirtualPortControl::DeletePortConnection() {
  service_.DeletePortConnection();
}
bool VirtualPortControl::CreateAndVerifyPort() {
  return port_.CreateAndVerifyPort();
}
bool VirtualPortControl::RebuildVirtualPort() {
  return port_.RebuildVirtualPort();
}

bool VirtualPortControl::IsComPortPresent(const std::string& name) {
  return ports_.IsComPortPresent(name);
}

vcom::ComChoices VirtualPortControl::BuildComChoices(bool serviceInstalled,
                                                     const std::string& inUseSuffix) {
  return vcom::BuildComChoices(library_, ports_, comName(), serviceInstalled, inUseSuffix);
}

std::string VirtualPortControl::comName() {
  return port_.state().comName;
}
void VirtualPortControl::SetComName(const std::string& name) {
  port_.SetComName(name);
}
int VirtualPortControl::tunnelMode() {
  return port_.state().tunnelMode;
}

std::optional<vcom::PortTraffic> VirtualPortControl::Traffic() {
  return vcom::ReadPortTraffic(statusClient_, vcom::kConnectionName);
}

}  // namespace orbo
