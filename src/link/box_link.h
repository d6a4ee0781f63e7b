// The command channel to one box: a TCP connection or the USB HID device,
// the raw write/read/purge of the current transport, and the command
// exchange with its reply rules. Used by the box worker thread only.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "link/hid_scan.h"
#include "link/tcp_transport.h"
#include "link/transport.h"
#include "link/usb_transport.h"
#include "platform/hid_device.h"
#include "platform/sleeper.h"

namespace orbo {

inline constexpr size_t kReplySize = 1024;
inline constexpr int kBoxPort = 8769;

// A reply as the box sent it: 1024 bytes, zeroed on construction. A reply of
// 1024 bytes or more has no terminating zero; Text() never reads past the
// buffer.
class ReplyBuffer {
 public:
  ReplyBuffer() { Clear(); }
  void Clear();
  char* data() { return bytes_; }
  const char* data() const { return bytes_; }
  static constexpr size_t size() { return kReplySize; }
  // The bytes up to the first zero byte, at most 1024.
  std::string_view Text() const;
  bool StartsWith(std::string_view prefix) const {
    return Text().substr(0, prefix.size()) == prefix;
  }

 private:
  char bytes_[kReplySize];
};

struct BoxLinkOptions {
  TcpTimeouts tcp;
  UsbTimeouts usb;
  int command_pause_ms = 300;  // after every command exchange
  int reply_reads = 5;         // reads that may bring the first reply byte
};

class BoxLink {
 public:
  // hid may be null (no USB); it and sleeper must outlive the link.
  BoxLink(HidBackend* hid, Sleeper& sleeper, BoxLinkOptions options = {});
  ~BoxLink();
  BoxLink(const BoxLink&) = delete;
  BoxLink& operator=(const BoxLink&) = delete;

  // Closes the device record, scans for the box and opens it. Returns the
  // record's open flag.
  bool ConnectUsb();
  // Closes the previous connection, then connects to address:port. False at
  // once for an empty address; false when the box does not accept in time.
  bool ConnectTcp(const std::string& address, int port);
  // Makes transport (not owned, must outlive its use) the current link, for
  // tests and tools that bring their own transport.
  void Attach(Transport* transport) { current_ = transport; }
  // Clears the record (flag, names) and closes its device.
  void CloseRecord();
  // Drops the transport and closes every connection.
  void Close();

  // The current transport's raw operations; false (count 0) without one.
  bool Write(const void* data, size_t length, int64_t* count);
  bool Read(void* buffer, size_t length, int64_t* count);
  void Purge();

  // Purge, write command, then (with a reply buffer) up to five reads of up
  // to 1024 bytes until byte 0 of the buffer is non-zero; purge and pause.
  // False when the write fails (returned at once), or when the reply text is
  // empty or exactly "ERROR\r". Without a reply buffer true once written.
  // reply must have been zeroed by the caller.
  bool SendCommand(std::string_view command, ReplyBuffer* reply);

  const HidDeviceRecord& record() const { return record_; }
  Sleeper& sleeper() { return sleeper_; }
  const BoxLinkOptions& options() const { return options_; }

 private:
  HidBackend* hid_;
  Sleeper& sleeper_;
  BoxLinkOptions options_;
  HidDeviceRecord record_;
  TcpTransport tcp_;
  std::unique_ptr<UsbTransport> usb_;
  Transport* current_ = nullptr;  // tcp_, usb_ or none
};

// The command exchange over one transport (what BoxLink::SendCommand does):
// purge, write, up to options.reply_reads reads, purge, pause.
bool ExchangeCommand(Transport& transport, Sleeper& sleeper, const BoxLinkOptions& options,
                     std::string_view command, ReplyBuffer* reply);

// Builds the link for the page's connect mode: "USB:Download" scans and
// opens the USB box, "LocalNetwork" connects TCP to box_address:box_port,
// anything else fails at once without touching anything. True when a box is
// reachable.
bool BuildLink(BoxLink& link, const std::string& connect_mode, const std::string& box_address,
               int box_port);

}  // namespace orbo
