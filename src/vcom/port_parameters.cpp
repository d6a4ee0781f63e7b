#include "vcom/port_parameters.h"

#include <cjson/cJSON.h>

#include <cstdio>
#include <cstdlib>
#include <memory>

namespace orbo::vcom {
namespace {

std::optional<int> IntMember(const cJSON* object, const char* name) {
  const cJSON* item = cJSON_GetObjectItem(object, name);
  if (cJSON_IsString(item)) return std::atoi(item->valuestring);
  if (cJSON_IsNumber(item)) return item->valueint;
  return std::nullopt;
}

}  // namespace

const char kSamplePassThrough[] =
    "{\"deviceid\":\"62\",\"port\":\"COM10\",\"comtype\":\"2\",\"baudrate\":\"9600\","
    "\"stop_bit\":\"1\",\"data_length\":\"7\",\"check_bit\":\"EVEN\",\"url\":\"192.0.2.10:61\"}";

std::map<std::string, SecValue> DefaultParameterTable() {
  std::map<std::string, SecValue> t;
  for (const char* key : {"ctrldisconn.dcd", "ctrldisconn.dtr", "ctrldisconn.rts", "ctrlsconn.dcd",
                          "ctrlsconn.dtr", "ctrlsconn.rts", "network.break.enable",
                          "network.nagle.enable", "protocol.reconnect.enable"}) {
    t[key] = SecValue::I4(1);
  }
  for (const char* key :
       {"network.keepalive.enable", "protocol.dynamic.enable", "protocol.portopencondition.enable",
        "protocol.telnet.dcd", "protocol.telnet.dtr", "protocol.telnet.rts", "proxy.dns",
        "security.auth.enable", "security.crypt.enable"}) {
    t[key] = SecValue::I4(0);
  }
  t["network.break.timeout"] = SecValue::I4(60000);
  t["network.keepalive.noreply"] = SecValue::I4(1000);
  t["network.keepalive.timeout"] = SecValue::I4(7000);
  t["port.sendmode.mode"] = SecValue::Int(2);
  t["port.sendmode.param"] = SecValue::Int(5);
  t["port.settings"] = SecValue::Text("9600,N,8,1");
  t["protocol.access.read"] = SecValue::Int(4);
  t["protocol.access.write"] = SecValue::Int(4);
  t["protocol.maxconnections.value"] = SecValue::I4(25);
  t["protocol.paired.enable"] = SecValue::Int(1);
  t["protocol.reconnect.timeout"] = SecValue::I4(1000);
  for (const char* key : {"proxy.auth.pwd", "proxy.auth.user", "proxy.host.name", "proxy.type",
                          "security.auth.pwd"}) {
    t[key] = SecValue::Text("");
  }
  t["proxy.host.port"] = SecValue::I4(3128);
  t["security.auth.dll"] = SecValue::Text("auth.dll");
  t["security.crypt.dll"] = SecValue::Text("crypt.dll");
  return t;
}

ParamList ConnectionParameters(const std::string& comName, const std::string& remoteHost,
                               const std::string& remotePort, const std::string& portSettings,
                               const std::string& protocol) {
  ParamList list = {
      {"name", SecValue::Text("ORBO_COM")},
      {"port.name", SecValue::Text(comName)},
      {"port.type", SecValue::Text("Virtual")},
      {"network.host", MakeHostPair(remoteHost, remotePort)},
      {"protocol.type", SecValue::Text(protocol)},
  };
  auto table = DefaultParameterTable();
  SecValue& settings = table["port.settings"];
  settings = settings.isText() ? SecValue::Text(portSettings)
                               : SecValue::I4(std::atoi(portSettings.c_str()));
  for (auto& [key, value] : table) list.emplace_back(key, std::move(value));
  return list;
}

std::optional<PassThroughRequest> ParsePassThrough(const std::string& json) {
  std::unique_ptr<cJSON, void (*)(cJSON*)> doc(
      cJSON_Parse(json.empty() ? kSamplePassThrough : json.c_str()), cJSON_Delete);
  if (!cJSON_IsObject(doc.get())) return std::nullopt;
  const cJSON* root = doc.get();
  PassThroughRequest r;
  r.relay = IntMember(root, "type").value_or(0) == 1;
  const cJSON* url = cJSON_GetObjectItem(root, "url");
  if (cJSON_IsString(url)) {
    const std::string text = url->valuestring;
    const size_t colon = text.find(':');
    if (colon != std::string::npos) r.url.emplace(text.substr(0, colon), text.substr(colon + 1));
  }
  r.relayListenPort = IntMember(root, "e_port");
  char parity = 'E';
  const cJSON* check = cJSON_GetObjectItem(root, "check_bit");
  if (cJSON_IsString(check) && check->valuestring[0] != '\0') parity = check->valuestring[0];
  char text[64];
  std::snprintf(text, sizeof text, "%d,%c,%d,%d", IntMember(root, "baudrate").value_or(9600),
                parity, IntMember(root, "data_length").value_or(7),
                IntMember(root, "stop_bit").value_or(1));
  r.portSettings = text;
  return r;
}

}  // namespace orbo::vcom
