// The connection library's eight operations. The tool reaches the port
// service only through this interface; SecClient speaks to orbo-portd and
// tests put a recording double in its place. Every result is an integer,
// non-zero meaning success.
#pragma once

#include <cstdint>
#include <string>

#include "vcom/sec_value.h"

namespace orbo::vcom {

class SecLibrary {
 public:
  virtual ~SecLibrary() = default;
  // machine "." is this machine (the only one served). Non-zero when the
  // service answered; the link then stays open until sec_DisconnectService.
  virtual int sec_ConnectService(const std::string& machine) = 0;
  virtual void sec_DisconnectService() = 0;
  // *id receives the new connection's id; it is left as it was on failure.
  virtual int sec_CreateConnection(int kind, int32_t* id) = 0;
  virtual int sec_SetParam(int32_t id, const std::string& name, const SecValue& value) = 0;
  virtual int sec_AddConnectionService(int32_t id) = 0;
  // *list: an array of integer ids; an empty value when there is no link.
  virtual int sec_GetConnectionsList(SecValue* list) = 0;
  virtual int sec_GetParam(int32_t id, const std::string& name, SecValue* value) = 0;
  virtual int sec_DeleteConnection(int32_t id) = 0;
};

}  // namespace orbo::vcom
