#include "vcom/port_traffic.h"

#include <cjson/cJSON.h>

#include <memory>

#include "vcom/sec_client.h"

namespace orbo::vcom {
namespace {

uint64_t Count(const cJSON* o, const char* name) {
  const cJSON* v = cJSON_GetObjectItemCaseSensitive(o, name);
  return cJSON_IsNumber(v) && v->valuedouble > 0 ? static_cast<uint64_t>(v->valuedouble) : 0;
}

}  // namespace

std::optional<PortTraffic> ReadPortTraffic(SecClient& client, const std::string& name) {
  std::string text;
  const bool answered = client.sec_ConnectService(".") && client.Status(&text);
  client.sec_DisconnectService();
  if (!answered) return std::nullopt;
  std::unique_ptr<cJSON, void (*)(cJSON*)> list(cJSON_Parse(text.c_str()), cJSON_Delete);
  const cJSON* c = nullptr;
  cJSON_ArrayForEach(c, list.get()) {
    const cJSON* n = cJSON_GetObjectItemCaseSensitive(c, "name");
    if (!cJSON_IsString(n) || n->valuestring != name ||
        !cJSON_IsTrue(cJSON_GetObjectItemCaseSensitive(c, "inService"))) {
      continue;
    }
    return PortTraffic{Count(c, "toNetwork"), Count(c, "fromNetwork"), Count(c, "dropped"),
                       Count(c, "reconnects")};
  }
  return std::nullopt;
}

}  // namespace orbo::vcom
