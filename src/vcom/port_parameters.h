// The tool's connection: its parameters in the order they are sent, and
// the page's serial pass-through request (page command 7) read from JSON.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "vcom/sec_value.h"

namespace orbo::vcom {

using ParamList = std::vector<std::pair<std::string, SecValue>>;

// The 37 fixed parameters, keyed and ordered by case-sensitive comparison.
// Built fresh for each creation.
std::map<std::string, SecValue> DefaultParameterTable();

// All 42 parameters in sending order: name, port.name, port.type,
// network.host, protocol.type (protocol: "RAW", as the tool's own port
// always has it, or "RFC2217"), then DefaultParameterTable with
// "port.settings" replaced by portSettings (a text entry takes the text,
// an integer entry the text's leading integer).
ParamList ConnectionParameters(const std::string& comName, const std::string& remoteHost,
                               const std::string& remotePort, const std::string& portSettings,
                               const std::string& protocol = "RAW");

// What command 7 asks for.
struct PassThroughRequest {
  bool relay = false;  // "type" 1: the local TCP relay
  // "url" split at its first ":", when it is a text holding one.
  std::optional<std::pair<std::string, std::string>> url;
  std::optional<int> relayListenPort;  // "e_port"
  std::string portSettings;            // "%d,%c,%d,%d" of baud, parity, data, stop
};

// The sample used when the page sends an empty text; its address is from
// the documentation range and is never connected to by a test.
extern const char kSamplePassThrough[];

// nullopt when json (empty: kSamplePassThrough) is not a JSON object.
// Members are found without regard to letter case; a text member is read
// by its leading integer, a number by its integer value, and a member of
// another type counts as absent.
std::optional<PassThroughRequest> ParsePassThrough(const std::string& json);

}  // namespace orbo::vcom
