// The port service's daemon: named connections with their parameters, the
// control socket the connection client speaks to, and one PtyBridge per
// connection in service.
//
// Requests are JSON lines {"op":..., ...}; each gets one reply line with
// "ok" 1 or 0 (and "error" saying why). Operations: hello, create {kind},
// set {id,name,value}, add {id}, list, get {id,name}, delete {id},
// delete_name {name}, status, stop, and monitor {name}: after its reply the
// link carries one JSON line per chunk of the port's traffic
// {"time":SECONDS,"direction":"to network"|"from network","bytes":N,
// "hex":FIRST_BYTES[,"dropped":LINES_LEFT_OUT_BEFORE]} until the port or
// the monitor goes.
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "base/unique_fd.h"
#include "vcom/portd/pty_bridge.h"
#include "vcom/sec_value.h"

typedef struct cJSON cJSON;

namespace orbo::vcom {

class PortService {
 public:
  // portsDir: where the COM links go; wineDevices: a Wine dosdevices folder
  // to link into as well (nullopt: none).
  PortService(std::filesystem::path portsDir, std::optional<std::filesystem::path> wineDevices);
  ~PortService();

  // Serves the control socket listen (already listening) until a "stop"
  // request, or until socketPath no longer names that socket (its folder
  // was removed: the service's user is gone). Every connection is ended
  // before it returns. readyFd, when >= 0, is closed once requests are
  // being served (the starter waits for that).
  void Serve(int listen, const std::filesystem::path& socketPath, int readyFd);

  // One request line in, one reply line out (also used by tests). A
  // granted "monitor" request leaves its connection id for Serve to take.
  std::string Handle(const std::string& line, bool* stop);

 private:
  struct Connection {
    std::vector<std::pair<std::string, SecValue>> params;  // in the order set
    std::unique_ptr<PtyBridge> bridge;                     // in service when set
    uint64_t generation = 0;                               // raised with each new bridge
    const SecValue* Find(const std::string& name) const;
  };
  // A client that follows a port's traffic.
  struct Monitor {
    UniqueFd fd;
    int32_t id = -1;
    uint64_t generation = 0;
    std::string out;       // lines not yet taken by the client, bounded
    uint64_t dropped = 0;  // lines left out since the last one written
    bool reportedBehind = false;
  };

  cJSON* Dispatch(const cJSON* request, bool* stop);
  // Puts c into service (again). False with *error when its parameters do
  // not describe a port or the port name is taken.
  bool PutInService(int32_t id, Connection& c, std::string* error);
  cJSON* StatusOf(int32_t id, const Connection& c) const;
  // Makes fd a monitor of the connection (its bridge is watched).
  void AddMonitor(UniqueFd fd, int32_t id);
  // Moves the recorded traffic into the monitors' lines and ends the
  // monitors whose port is gone.
  void FeedMonitors();
  // Writes what each monitor's client takes now; false for one that failed.
  static bool FlushMonitor(Monitor& m);
  void EndMonitor(Monitor& m);

  const std::filesystem::path portsDir_;
  const std::optional<std::filesystem::path> wineDevices_;
  std::map<int32_t, Connection> connections_;  // control thread only
  std::vector<Monitor> monitors_;              // control thread only
  std::optional<int32_t> monitorRequest_;      // set by Dispatch for Serve
  std::vector<TapRecord> records_;             // FeedMonitors' scratch
  int32_t nextId_ = 1;
};

}  // namespace orbo::vcom
