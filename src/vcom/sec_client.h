// The connection library over the port service's control socket. Each
// operation is one request line and one reply line; a service that does
// not answer within the request time, or goes away, fails the operation
// and closes the link (the next sec_ConnectService opens a new one).
#pragma once

#include <filesystem>
#include <mutex>
#include <string>

#include "base/unique_fd.h"
#include "vcom/sec_library.h"

typedef struct cJSON cJSON;

namespace orbo::vcom {

class SecClient : public SecLibrary {
 public:
  // socketPath: the service's control socket (ServiceSocketPath()).
  explicit SecClient(std::filesystem::path socketPath, int requestTimeoutMs = 15000);

  int sec_ConnectService(const std::string& machine) override;
  void sec_DisconnectService() override;
  int sec_CreateConnection(int kind, int32_t* id) override;
  int sec_SetParam(int32_t id, const std::string& name, const SecValue& value) override;
  int sec_AddConnectionService(int32_t id) override;
  int sec_GetConnectionsList(SecValue* list) override;
  int sec_GetParam(int32_t id, const std::string& name, SecValue* value) override;
  int sec_DeleteConnection(int32_t id) override;

  // Every connection's parameters and state as the service reports them
  // (one JSON object each, see orbo-portd); false without a link.
  bool Status(std::string* jsonArray);
  // Turns the open link into a monitor of the connection (or port) named
  // name: the descriptor returned then carries one JSON line per chunk of
  // the port's traffic (see orbo-portd), and this client's link is gone.
  // Invalid, with *error saying why, when the service refused.
  UniqueFd StartMonitor(const std::string& name, std::string* error);

 private:
  // Sends request (consumed) and returns the reply object when its "ok" is
  // non-zero; nullptr otherwise. The caller owns the reply. Holds mutex_.
  cJSON* Call(cJSON* request);

  const std::filesystem::path socketPath_;
  const int timeoutMs_;
  std::mutex mutex_;  // guards fd_: each request and its reply go together
  UniqueFd fd_;
};

}  // namespace orbo::vcom
