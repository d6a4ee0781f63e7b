// Test doubles for the port's seams: a connection library that records
// every call, a COM port view holding serial device map values and a name
// arbiter bitmap, and a service runner that records its commands.
#pragma once

#include <algorithm>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "vcom/com_ports.h"
#include "vcom/sec_library.h"
#include "vcom/service_control.h"

namespace orbo::test {

using vcom::SecValue;

class FakeSecLibrary : public vcom::SecLibrary {
 public:
  bool serviceUp = true;
  std::string refuseParam;  // sec_SetParam of this name fails
  std::map<int32_t, std::vector<std::pair<std::string, SecValue>>> connections;
  std::vector<std::string> calls;  // "connect", "create", "set NAME", "add ID", ...
  std::function<void(int32_t)> onAdd;

  const SecValue* Param(int32_t id, const std::string& name) const {
    auto it = connections.find(id);
    if (it == connections.end()) return nullptr;
    for (const auto& [k, v] : it->second) {
      if (k == name) return &v;
    }
    return nullptr;
  }
  int sec_ConnectService(const std::string& machine) override {
    calls.push_back("connect");
    connected_ = serviceUp && machine == ".";
    return connected_;
  }
  void sec_DisconnectService() override {
    calls.push_back("disconnect");
    connected_ = false;
  }
  int sec_CreateConnection(int kind, int32_t* id) override {
    calls.push_back("create");
    if (!connected_ || kind != 1) return 0;
    *id = nextId_++;
    connections[*id];
    return 1;
  }
  int sec_SetParam(int32_t id, const std::string& name, const SecValue& value) override {
    calls.push_back("set " + name);
    if (!connected_ || name == refuseParam || !connections.count(id)) return 0;
    connections[id].emplace_back(name, value);
    return 1;
  }
  int sec_AddConnectionService(int32_t id) override {
    calls.push_back("add");
    if (onAdd) onAdd(id);
    return connected_;
  }
  int sec_GetConnectionsList(SecValue* list) override {
    if (!connected_) return 0;
    std::vector<SecValue> ids;
    for (const auto& entry : connections) ids.push_back(SecValue::I4(entry.first));
    *list = SecValue::Array(ids);
    return 1;
  }
  int sec_GetParam(int32_t id, const std::string& name, SecValue* value) override {
    const SecValue* v = connected_ ? Param(id, name) : nullptr;
    if (v) *value = *v;
    return v != nullptr;
  }
  int sec_DeleteConnection(int32_t id) override {
    calls.push_back("delete " + std::to_string(id));
    return connections.erase(id) ? 1 : 0;
  }

 private:
  bool connected_ = false;
  int32_t nextId_ = 1;
};

class FakeComPorts : public vcom::ComPorts {
 public:
  std::vector<std::string> serialComm;  // data texts of the device map
  std::vector<uint8_t> comDb;           // the arbiter bitmap
  std::set<std::string> present;

  std::vector<int> ListUsedComNumbers() override {
    std::vector<int> used;
    for (const auto& data : serialComm) {
      if (auto n = vcom::SerialCommNumber(data)) used.push_back(*n);
    }
    for (int n : vcom::ComDbNumbers(comDb)) used.push_back(n);
    return used;
  }
  bool IsComPortPresent(const std::string& name) override { return present.count(name) > 0; }
};

class FakeRunner : public vcom::ServiceRunner {
 public:
  std::set<std::string> missing;  // commands that cannot start
  std::vector<std::string> started;
  std::function<void(const std::string&)> onRun;

  int Start(const std::vector<std::string>& args) override {
    std::string line;
    for (const auto& a : args) line += (line.empty() ? "" : " ") + a;
    if (missing.count(args[0])) return -1;
    started.push_back(line);
    return static_cast<int>(started.size());
  }
  void Wait(int handle) override {
    if (onRun) onRun(started[static_cast<size_t>(handle) - 1]);
  }
};

}  // namespace orbo::test
