#include "vcom/sec_client.h"

#include <cjson/cJSON.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <memory>

#include "base/logger.h"
#include "vcom/line_channel.h"

namespace orbo::vcom {
namespace {

struct JsonDeleter {
  void operator()(cJSON* j) const { cJSON_Delete(j); }
};
using JsonPtr = std::unique_ptr<cJSON, JsonDeleter>;

cJSON* Request(const char* op) {
  cJSON* r = cJSON_CreateObject();
  cJSON_AddStringToObject(r, "op", op);
  return r;
}

}  // namespace

SecClient::SecClient(std::filesystem::path socketPath, int requestTimeoutMs)
    : socketPath_(std::move(socketPath)), timeoutMs_(requestTimeoutMs) {}

int SecClient::sec_ConnectService(const std::string& machine) {
  if (machine != ".") return 0;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    fd_.Reset();
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    const std::string path = socketPath_.string();
    if (path.size() >= sizeof addr.sun_path) return 0;
    std::memcpy(addr.sun_path, path.c_str(), path.size() + 1);
    UniqueFd fd(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (!fd.valid()) return 0;
    if (::connect(fd.get(), reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) return 0;
    // Only a service of this same user gets requests: a socket another user
    // put at the path (a shared /tmp without a runtime folder) is left.
    ucred peer{};
    socklen_t length = sizeof peer;
    if (::getsockopt(fd.get(), SOL_SOCKET, SO_PEERCRED, &peer, &length) != 0 ||
        peer.uid != ::geteuid()) {
      ORBO_LOG_WARN("port service socket %s is not this user's; not used", path.c_str());
      return 0;
    }
    fd_ = std::move(fd);
  }
  JsonPtr reply(Call(Request("hello")));
  return reply ? 1 : 0;
}

void SecClient::sec_DisconnectService() {
  std::lock_guard<std::mutex> lock(mutex_);
  fd_.Reset();
}

cJSON* SecClient::Call(cJSON* request) {
  JsonPtr req(request);
  std::lock_guard<std::mutex> lock(mutex_);
  if (!fd_.valid()) return nullptr;
  char* text = cJSON_PrintUnformatted(req.get());
  if (text == nullptr) return nullptr;
  const bool sent = WriteLine(fd_.get(), text, timeoutMs_);
  cJSON_free(text);
  std::string line;
  if (!sent || LineReader(fd_.get()).ReadLine(&line, timeoutMs_) != 1) {
    ORBO_LOG_WARN("port service did not answer; link closed");
    fd_.Reset();
    return nullptr;
  }
  JsonPtr reply(cJSON_Parse(line.c_str()));
  const cJSON* ok = cJSON_GetObjectItemCaseSensitive(reply.get(), "ok");
  if (!cJSON_IsNumber(ok) || ok->valueint == 0) return nullptr;
  return reply.release();
}

int SecClient::sec_CreateConnection(int kind, int32_t* id) {
  cJSON* req = Request("create");
  cJSON_AddNumberToObject(req, "kind", kind);
  JsonPtr reply(Call(req));
  const cJSON* got = cJSON_GetObjectItemCaseSensitive(reply.get(), "id");
  if (!cJSON_IsNumber(got)) return 0;
  *id = got->valueint;
  return 1;
}

int SecClient::sec_SetParam(int32_t id, const std::string& name, const SecValue& value) {
  cJSON* req = Request("set");
  cJSON_AddNumberToObject(req, "id", id);
  cJSON_AddStringToObject(req, "name", name.c_str());
  cJSON_AddItemToObject(req, "value", value.ToJson());
  return JsonPtr(Call(req)) ? 1 : 0;
}

int SecClient::sec_AddConnectionService(int32_t id) {
  cJSON* req = Request("add");
  cJSON_AddNumberToObject(req, "id", id);
  return JsonPtr(Call(req)) ? 1 : 0;
}

int SecClient::sec_GetConnectionsList(SecValue* list) {
  *list = SecValue();
  JsonPtr reply(Call(Request("list")));
  const cJSON* ids = cJSON_GetObjectItemCaseSensitive(reply.get(), "ids");
  if (!cJSON_IsArray(ids)) return 0;
  std::vector<SecValue> items;
  for (const cJSON* e = ids->child; e != nullptr; e = e->next) {
    if (cJSON_IsNumber(e)) items.push_back(SecValue::I4(e->valueint));
  }
  *list = SecValue::Array(std::move(items));
  return 1;
}

int SecClient::sec_GetParam(int32_t id, const std::string& name, SecValue* value) {
  cJSON* req = Request("get");
  cJSON_AddNumberToObject(req, "id", id);
  cJSON_AddStringToObject(req, "name", name.c_str());
  JsonPtr reply(Call(req));
  if (!reply) return 0;
  auto got = SecValue::FromJson(cJSON_GetObjectItemCaseSensitive(reply.get(), "value"));
  if (!got) return 0;
  *value = std::move(*got);
  return 1;
}

int SecClient::sec_DeleteConnection(int32_t id) {
  cJSON* req = Request("delete");
  cJSON_AddNumberToObject(req, "id", id);
  return JsonPtr(Call(req)) ? 1 : 0;
}

bool SecClient::Status(std::string* jsonArray) {
  JsonPtr reply(Call(Request("status")));
  const cJSON* list = cJSON_GetObjectItemCaseSensitive(reply.get(), "connections");
  if (!cJSON_IsArray(list)) return false;
  char* text = cJSON_PrintUnformatted(list);
  if (text == nullptr) return false;
  *jsonArray = text;
  cJSON_free(text);
  return true;
}

UniqueFd SecClient::StartMonitor(const std::string& name, std::string* error) {
  JsonPtr req(Request("monitor"));
  cJSON_AddStringToObject(req.get(), "name", name.c_str());
  char* text = cJSON_PrintUnformatted(req.get());
  std::lock_guard<std::mutex> lock(mutex_);
  const bool sent = fd_.valid() && text != nullptr && WriteLine(fd_.get(), text, timeoutMs_);
  cJSON_free(text);
  // The reply is read a byte at a time: the traffic lines follow it at
  // once and belong to the caller.
  std::string line;
  char c = 0;
  while (sent && line.size() < kMaxLineBytes) {
    pollfd p{fd_.get(), POLLIN, 0};
    if (::poll(&p, 1, timeoutMs_) <= 0 || ::recv(fd_.get(), &c, 1, 0) != 1 || c == '\n') break;
    line += c;
  }
  JsonPtr reply(cJSON_Parse(line.c_str()));
  const cJSON* ok = cJSON_GetObjectItemCaseSensitive(reply.get(), "ok");
  if (c != '\n' || !cJSON_IsNumber(ok) || ok->valueint == 0) {
    const cJSON* why = cJSON_GetObjectItemCaseSensitive(reply.get(), "error");
    *error = cJSON_IsString(why) ? why->valuestring : "the port service did not answer";
    fd_.Reset();
    return UniqueFd();
  }
  return std::move(fd_);
}

}  // namespace orbo::vcom
