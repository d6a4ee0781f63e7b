// One connection in service: a pseudo-terminal whose slave is linked as
// <ports dir>/<port name> (and as dosdevices/comN in the user's Wine
// prefix), and whose bytes travel over TCP to the remote host: unchanged
// (RAW), or as RFC 2217 with the port's line settings sent at each link-up
// and every change a program makes to baud or stop bits forwarded.
//
// The bridge keeps a descriptor of the slave open itself, so a serial
// program may open, close and reopen the port at will without the master
// side ever seeing a hang-up. A lost TCP link is tried again every
// reconnect period while the port stays open; bytes written to the port in
// the meantime are kept (up to kMaxPendingBytes) and sent in order once the
// link is back, and what exceeds that bound is dropped with a diagnostic.
#pragma once

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "base/unique_fd.h"
#include "vcom/portd/traffic_tap.h"
#include "vcom/rfc2217.h"
#include "vcom/serial_settings.h"

namespace orbo::vcom {

inline constexpr size_t kMaxPendingBytes = 1024 * 1024;
// How long the data from the port waits at a link-up for the server's
// answer to COM-PORT-OPTION, so that the settings go first.
inline constexpr int kNegotiationMs = 2000;

struct BridgeConfig {
  std::string portName;  // "COM<n>"
  std::string host;
  int port = 0;
  SerialSettings serial;
  bool rfc2217 = false;    // "protocol.type" RFC2217
  bool noDelay = false;    // network.nagle.enable 0
  bool keepAlive = false;  // network.keepalive.enable
  int keepAliveIdleMs = 7000;
  int keepAliveIntervalMs = 1000;
  bool reconnect = true;
  int reconnectMs = 1000;
  std::filesystem::path portsDir;
  // The Wine prefix's dosdevices folder when one is to be linked.
  std::optional<std::filesystem::path> wineDevices;
};

class PtyBridge {
 public:
  // Makes the terminal and its links and starts the bridge thread. nullptr,
  // with *error set, when any of that failed (nothing is left behind).
  static std::unique_ptr<PtyBridge> Start(const BridgeConfig& config, std::string* error);
  // Stops the thread, closes every descriptor and removes the links that
  // still point at this bridge's terminal.
  ~PtyBridge();
  PtyBridge(const PtyBridge&) = delete;
  PtyBridge& operator=(const PtyBridge&) = delete;

  std::filesystem::path linkPath() const { return config_.portsDir / config_.portName; }
  const std::string& terminalPath() const { return ptsPath_; }
  bool linkUp() const { return linkUp_.load(); }
  const BridgeConfig& config() const { return config_; }
  // Bytes the program wrote that went to the network (or wait for it),
  // bytes from the network written to the port (Telnet protocol not
  // counted), bytes dropped while the link was down, and link-ups after
  // the first.
  uint64_t toNetwork() const { return toNetwork_.load(); }
  uint64_t fromNetwork() const { return fromNetwork_.load(); }
  uint64_t droppedBytes() const { return dropped_.load(); }
  uint64_t reconnects() const { return reconnects_.load(); }
  // RFC 2217 only: the server's answer on the current (or last) link, and
  // the settings it reported back ("19200,E,7,2"; empty until it did).
  std::optional<ComPortAnswer> comPortAnswer() const;
  std::string serverSettings() const;
  // The settings the port has now: "port.settings" with the program's
  // changes of baud and stop bits.
  SerialSettings lineSettings() const;
  TrafficTap& tap() { return tap_; }

 private:
  explicit PtyBridge(const BridgeConfig& config) : config_(config) {}
  void Run();
  void RemoveLinks();
  // Reads the port's baud and stop bits; true when they changed.
  bool ReadLine();

  const BridgeConfig config_;
  UniqueFd master_;
  UniqueFd slave_;  // held so the master never sees the last close
  UniqueFd wake_;   // eventfd: readable when the bridge is to stop
  std::string ptsPath_;
  std::optional<std::filesystem::path> wineLink_;
  bool packetMode_ = false;  // the master reports settings changes (RFC 2217)
  bool extproc_ = false;     // ... and the kernel signals them (EXTPROC still set)
  std::atomic<bool> linkUp_{false};
  std::atomic<uint64_t> toNetwork_{0};
  std::atomic<uint64_t> fromNetwork_{0};
  std::atomic<uint64_t> dropped_{0};
  std::atomic<uint64_t> reconnects_{0};
  std::atomic<int> answer_{-1};   // ComPortAnswer of the link; -1 none yet
  mutable std::mutex lineMutex_;  // guards line_ and serverSettings_
  SerialSettings line_;
  std::string serverSettings_;
  TrafficTap tap_;
  std::thread thread_;
};

// The dosdevices folder of the Wine prefix ($WINEPREFIX, else ~/.wine)
// when it exists and it and the prefix belong to this user.
std::optional<std::filesystem::path> FindWineDevices();

}  // namespace orbo::vcom
