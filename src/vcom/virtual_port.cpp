#include "vcom/virtual_port.h"

#include <cstdlib>

#include "base/logger.h"
#include "bridge/page.h"
#include "platform/prompts.h"
#include "settings/app_settings.h"
#include "settings/message_keys.h"
#include "vcom/port_parameters.h"
#include "vcom/serial_settings.h"

namespace orbo::vcom {

VirtualPort::VirtualPort(const VirtualPortDeps& deps) : deps_(deps) {
  state_.comName = deps_.settings->Get().virCom;
}

VirtualPort::~VirtualPort() {
  if (startThread_.joinable()) startThread_.join();
  relay_.StopRelay();
}

VirtualPortState VirtualPort::state() const {
  std::lock_guard<std::mutex> lock(stateMutex_);
  return state_;
}

void VirtualPort::SetComName(const std::string& name) {
  std::lock_guard<std::mutex> lock(stateMutex_);
  state_.comName = name;
}

std::string VirtualPort::ComName() const {
  return state().comName;
}

void VirtualPort::Alert(std::string_view key) {
  if (deps_.prompts == nullptr) return;
  deps_.prompts->Message(deps_.settings->LookupText(keys::kAlertTitle),
                         deps_.settings->LookupText(key));
}

void VirtualPort::Status(StatusText* window, std::string_view key) {
  ShowStatusText(window, deps_.settings->LookupText(key));
}

void VirtualPort::ShowStatusText(StatusText* window, const std::string& text) {
  if (window == nullptr) window = deps_.mainWindow;
  if (window != nullptr) window->ShowStatusText(text);
}

int VirtualPort::CreateVirtualPort() {
  std::lock_guard<std::recursive_mutex> op(operationMutex_);
  SecLibrary& lib = *deps_.library;
  {
    std::string name = ComName();
    ChooseFreeComName(lib, *deps_.ports, &name);
    std::lock_guard<std::mutex> lock(stateMutex_);
    state_.comName = name;
  }
  deps_.sleeper->SleepMs(200);
  int32_t id = -1;
  if (!lib.sec_CreateConnection(1, &id)) return 0;
  const VirtualPortState s = state();
  for (const auto& [name, value] :
       ConnectionParameters(s.comName, s.remoteHost, s.remotePort, s.portSettings)) {
    // A refused parameter leaves the connection half configured and out of
    // service; the next cycle's delete by name removes it.
    if (!lib.sec_SetParam(id, name, value)) {
      ORBO_LOG_WARN("port parameter \"%s\" refused", name.c_str());
      return 0;
    }
  }
  lib.sec_AddConnectionService(id);
  deps_.settings->Update([&](AppSettings& a) { a.virCom = s.comName; });
  deps_.settings->Save();
  deps_.sleeper->SleepMs(200);
  return 1;
}

bool VirtualPort::CreateAndVerifyPort() {
  std::lock_guard<std::recursive_mutex> op(operationMutex_);
  bool present = false;
  for (int attempt = 0; attempt < 4 && !present; ++attempt) {
    deps_.sleeper->SleepMs(500);
    if (CreateVirtualPort()) {
      deps_.sleeper->SleepMs(500);
      present = deps_.ports->IsComPortPresent(ComName());
      if (present) break;
    }
    deps_.sleeper->SleepMs(500);
    deps_.service->DeletePortConnection();
    deps_.service->DisableService();
    deps_.service->EnableService();
    deps_.sleeper->SleepMs(500);
    deps_.library->sec_ConnectService(".");
  }
  deps_.library->sec_DisconnectService();
  return present;
}

bool VirtualPort::RebuildVirtualPort() {
  std::lock_guard<std::recursive_mutex> op(operationMutex_);
  bool present = false;
  for (int attempt = 0; attempt < 4 && !present; ++attempt) {
    deps_.service->DeletePortConnection();
    deps_.service->DisableService();
    deps_.service->EnableService();
    deps_.sleeper->SleepMs(500);
    deps_.library->sec_ConnectService(".");
    CreateVirtualPort();
    present = deps_.ports->IsComPortPresent(ComName());
  }
  deps_.library->sec_DisconnectService();
  return present;
}

bool VirtualPort::FindNamedConnection(const std::string& name, int32_t* id) {
  SecValue list;
  deps_.library->sec_GetConnectionsList(&list);
  if (!list.isArray()) return false;
  for (const auto& item : list.items()) {
    auto candidate = item.AsInteger();
    SecValue value;
    if (!candidate || !deps_.library->sec_GetParam(*candidate, "name", &value)) return false;
    if (value.AsText() == name) {
      *id = *candidate;
      return true;
    }
  }
  return false;
}

void VirtualPort::StartVirtualPort(StatusText* window) {
  std::lock_guard<std::recursive_mutex> op(operationMutex_);
  if (window == nullptr) window = deps_.mainWindow;
  SecLibrary& lib = *deps_.library;
  if (!lib.sec_ConnectService(".")) {
    deps_.service->InstallService(window);
    deps_.sleeper->SleepMs(500);
    if (!lib.sec_ConnectService(".")) {
      ORBO_LOG_WARN("port service does not answer; no virtual port");
      portReady_ = 1;
      return;
    }
  }
  if (deps_.settings->Get().tp != 0) {
    int32_t id = -1;
    if (FindNamedConnection("TestVirCom", &id) && lib.sec_DeleteConnection(id)) {
      deps_.sleeper->SleepMs(200);
    }
    deps_.settings->Save();
  }
  if (!CreateAndVerifyPort()) Alert(keys::kCreateError);
  Status(window, keys::kStatuReady);
  portReady_ = 1;
}

void VirtualPort::StartVirtualPortThread(StatusText* window) {
  if (startThread_.joinable()) startThread_.join();
  portReady_ = 0;
  try {
    startThread_ = std::thread([this, window] { StartVirtualPort(window); });
  } catch (const std::system_error&) {
    ORBO_LOG_ERROR("cannot start the virtual port thread");
    portReady_ = 1;
  }
}

int VirtualPort::ApplyPassThrough(const std::string& json) {
  auto request = ParsePassThrough(json);
  if (!request) return 0;
  std::lock_guard<std::recursive_mutex> op(operationMutex_);
  // Checked before anything changes: the port in service stays as it is
  // rather than being removed for settings no port can take.
  if (!request->relay && !ParseSerialSettings(request->portSettings)) {
    ORBO_LOG_WARN("serial settings \"%s\" cannot be used; the port stays as it is",
                  request->portSettings.c_str());
    Alert(keys::kCreateError);
    return 1;
  }
  RelayEndpoint endpoint;
  {
    std::lock_guard<std::mutex> lock(stateMutex_);
    if (request->url) {
      state_.remoteHost = request->url->first;
      state_.remotePort = request->url->second;
    }
    endpoint.remoteHost = state_.remoteHost.substr(0, 39);
    endpoint.remotePort = std::atoi(state_.remotePort.c_str());
  }
  // The relay record keeps its last local port across requests.
  if (request->relayListenPort) relayListenPort_ = *request->relayListenPort;
  endpoint.listenPort = relayListenPort_;
  if (request->relay) {
    const Relay::StartResult started = relay_.Start(endpoint);
    if (started == Relay::StartResult::kNoThread) return 0;
    if (started == Relay::StartResult::kCannotListen) {
      std::string text = deps_.settings->LookupText(keys::kRelayListenError);
      const size_t at = text.find("{port}");
      if (at != std::string::npos) text.replace(at, 6, std::to_string(endpoint.listenPort));
      if (deps_.scripts != nullptr) deps_.scripts->ShowLog(text);
      ShowStatusText(nullptr, text);
    }
    std::lock_guard<std::mutex> lock(stateMutex_);
    state_.tunnelMode = 2;
    return 1;
  }
  // A relay left running by an earlier TCP request would outlive command 8
  // (which then only rebuilds the port), so it ends here.
  relay_.StopRelay();
  {
    std::lock_guard<std::mutex> lock(stateMutex_);
    state_.portSettings = request->portSettings;
    state_.tunnelMode = 1;
  }
  if (!RebuildVirtualPort()) Alert(keys::kCreateError);
  return 1;
}

int VirtualPort::EndPassThrough() {
  std::lock_guard<std::recursive_mutex> op(operationMutex_);
  const int mode = state().tunnelMode;
  if (mode == 1) {
    {
      std::lock_guard<std::mutex> lock(stateMutex_);
      state_.remoteHost = "localhost";
      state_.remotePort = "5001";
    }
    RebuildVirtualPort();
  } else if (mode == 2) {
    relay_.StopRelay();
  }
  std::lock_guard<std::mutex> lock(stateMutex_);
  state_.tunnelMode = 0;
  return 1;
}

void VirtualPort::RemoveAtExit() {
  if (startThread_.joinable()) startThread_.join();
  relay_.StopRelay();
  std::lock_guard<std::recursive_mutex> op(operationMutex_);
  deps_.sleeper->SleepMs(2);
  for (int attempt = 0; attempt < 4; ++attempt) {
    deps_.service->DeletePortConnection();
    deps_.sleeper->SleepMs(200);
    if (!deps_.ports->IsComPortPresent(ComName())) break;
  }
}

}  // namespace orbo::vcom
