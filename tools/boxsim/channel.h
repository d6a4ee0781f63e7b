// One connection from the tool as the box sees it. Over TCP the bytes form a
// stream: commands end at "\r" (a following "\n" belongs to them). Over the
// USB report socket every packet is one 1025-byte report: a command is the
// payload text up to its first zero byte, file data fills the payloads.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "base/unique_fd.h"

namespace boxsim {

class Channel {
 public:
  enum class Kind { kTcp, kUsb };
  Channel(orbo::UniqueFd fd, Kind kind) : fd_(std::move(fd)), kind_(kind) {}
  Channel(const Channel&) = delete;
  Channel& operator=(const Channel&) = delete;

  Kind kind() const { return kind_; }
  const char* name() const { return kind_ == Kind::kTcp ? "tcp" : "usb"; }
  int fd() const { return fd_.get(); }

  // The next command with its line ending; nullopt when the tool hung up or
  // the channel was shut down.
  std::optional<std::string> ReadCommand();
  // Exactly n bytes (n <= 1024): the next n stream bytes, or the first n
  // payload bytes of the next report. False on timeout or hang-up.
  bool ReadBlock(size_t n, std::string* out, int timeout_ms);
  // n bytes of file data handed to sink piece by piece (a report carries
  // min(remaining, 1024) of them). sink returning false stops the read.
  // False on timeout, hang-up or a stopped read.
  bool ReadData(uint64_t n, const std::function<bool(const char*, size_t)>& sink, int timeout_ms);
  // A reply: one send, or one report per 1024 bytes.
  bool SendReply(std::string_view text);
  // File data: the whole stream, or full 1024-byte payloads with only the
  // last report shorter.
  bool SendData(std::string_view data);
  // Ends the connection from another thread; blocked reads return.
  void Shutdown();

 private:
  // Appends received stream bytes to pending_; false on hang-up or timeout.
  bool FillStream(int timeout_ms);
  // The next report's payload; false on hang-up or timeout.
  bool NextReport(std::string* payload, int timeout_ms);
  bool SendAll(const char* data, size_t length);

  orbo::UniqueFd fd_;
  Kind kind_;
  std::string pending_;  // stream bytes received but not yet consumed
};

}  // namespace boxsim
