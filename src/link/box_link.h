// The command channel to one box: a TCP connection or the USB HID device,
// the raw write/read/purge of the current transport, and the command
// exchange with its reply rules. Used by the box worker thread only.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
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
  // How long the rest of a reply may lag behind its first bytes. The wait
  // is taken out of the pause after the command, so a healthy box sees the
  // same pacing.
  int reply_gap_ms = 250;
};

// The link's one bounded wait: the longest a single reply, acknowledgement
// or transfer block may take. Every overall limit is a multiple of it.
inline int LinkWaitMs(const BoxLinkOptions& options) {
  return options.tcp.io_ms;
}

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

  // The current transport's raw operations; false (count 0) without one,
  // once interrupted, or once the deadline in force has passed (a read
  // then waits no longer than the deadline).
  bool Write(const void* data, size_t length, int64_t* count);
  bool Read(void* buffer, size_t length, int64_t* count);
  void Purge();

  // Reads until length bytes came or wait_ms (or the deadline in force)
  // ran out: for records of known size such as the transfer header. True
  // when complete; *count gets the bytes stored.
  bool ReadRecord(void* buffer, size_t length, int wait_ms, int64_t* count);
  // Waits up to wait_ms for the first bytes of a reply, then takes more as
  // long as they keep coming within the reply gap, up to length bytes.
  // True when anything came; *count gets the bytes stored.
  bool ReadReply(void* buffer, size_t length, int wait_ms, int64_t* count);

  // Makes every current and later operation of the link fail at once: the
  // TCP connection is shut down, a USB read ends at its next report, and
  // nothing connects again. Any thread; for stopping the worker.
  void Interrupt();
  bool interrupted() const { return interrupted_.load(); }
  // True once interrupted or past the deadline in force.
  bool expired() const { return interrupted() || LeftMs() == 0; }

  // The deadline in force (see LinkDeadline); nullopt: none.
  using Clock = std::chrono::steady_clock;
  std::optional<Clock::time_point> deadline() const { return deadline_; }
  void set_deadline(std::optional<Clock::time_point> deadline) { deadline_ = deadline; }
  int wait_ms() const { return LinkWaitMs(options_); }

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
  std::atomic<bool> interrupted_{false};
  std::optional<Clock::time_point> deadline_;  // link thread only

  // The current transport as the command exchange sees it: with the
  // deadline and the interruption applied.
  class Guarded : public Transport {
   public:
    explicit Guarded(BoxLink& link) : link_(link) {}
    bool Write(const void* data, size_t length, int64_t* count) override {
      return link_.Write(data, length, count);
    }
    bool Read(void* buffer, size_t length, int64_t* count) override {
      return link_.Read(buffer, length, count);
    }
    bool ReadWithin(void* buffer, size_t length, int64_t* count, int wait_ms) override {
      return link_.ReadWithin(buffer, length, count, wait_ms);
    }
    void Purge() override { link_.Purge(); }

   private:
    BoxLink& link_;
  };
  Guarded guarded_{*this};

  // Milliseconds left before the deadline in force; INT32_MAX without one.
  int64_t LeftMs() const;
  bool ReadWithin(void* buffer, size_t length, int64_t* count, int wait_ms);
};

// Puts a deadline of ms from now on every operation of link, or keeps the
// earlier one already in force, and restores the previous deadline when it
// goes. Nested scopes narrow the limit: an operation's overall bound
// contains the bounds of its replies and blocks.
class LinkDeadline {
 public:
  LinkDeadline(BoxLink& link, int64_t ms);
  ~LinkDeadline() { link_.set_deadline(previous_); }
  LinkDeadline(const LinkDeadline&) = delete;
  LinkDeadline& operator=(const LinkDeadline&) = delete;

 private:
  BoxLink& link_;
  std::optional<BoxLink::Clock::time_point> previous_;
};

// The command exchange over one transport (what BoxLink::SendCommand does):
// purge, write, up to options.reply_reads reads within one link wait for
// the first bytes, then the rest of the reply while it keeps coming within
// the reply gap; purge (which drains what is left) and pause.
bool ExchangeCommand(Transport& transport, Sleeper& sleeper, const BoxLinkOptions& options,
                     std::string_view command, ReplyBuffer* reply);

// Builds the link for the page's connect mode: "USB:Download" scans and
// opens the USB box, "LocalNetwork" connects TCP to box_address:box_port,
// anything else fails at once without touching anything. True when a box is
// reachable.
bool BuildLink(BoxLink& link, const std::string& connect_mode, const std::string& box_address,
               int box_port);

}  // namespace orbo
