// The simulated box's state shared by all connections, and the handling of
// one connection's commands.
#pragma once

#include <filesystem>
#include <functional>
#include <mutex>
#include <string>

#include "channel.h"
#include "event_log.h"
#include "profile.h"

namespace boxsim {

class Box {
 public:
  // request_reset is called after "reset\r" was answered; it makes the box
  // unreachable for the profile's reset time.
  Box(Profile profile, EventLog* log, std::filesystem::path store_dir,
      std::function<void()> request_reset)
      : profile_(std::move(profile)),
        log_(log),
        store_dir_(std::move(store_dir)),
        request_reset_(std::move(request_reset)) {}

  // Answers the commands arriving on channel until the tool hangs up, the
  // channel is shut down or a fault ends the connection.
  void Serve(Channel& channel);
  // The reply to "GetHostName\r" (UDP and TCP).
  std::string HostName();
  EventLog& log() { return *log_; }
  int ResetMs();

 private:
  // false ends the connection.
  bool Handle(Channel& ch, const std::string& command);
  void Reply(Channel& ch, const std::string& name, std::string_view text);
  // Sends text at once, or a byte at a time drip_ms apart.
  void SendPaced(Channel& ch, std::string_view text, int drip_ms);
  // A stalled box: answers nothing and drops what comes until the tool
  // hangs up.
  void Stall(Channel& ch);
  // p: the profile as Handle read it for this command.
  bool Download(Channel& ch, const std::string& args, const Profile& p);
  bool Upload(Channel& ch, const std::string& args, const Profile& p);
  std::string VersionReply();
  void ApplyFirmware(const std::string& name);
  // The file a fetch of name serves: its bytes or its path. False when the
  // box holds no such file.
  bool FindFile(const std::string& name, HeldFile* file);

  std::mutex mutex_;  // guards profile_ (mode, zone, versions change)
  Profile profile_;
  EventLog* log_;
  const std::filesystem::path store_dir_;
  std::function<void()> request_reset_;
};

}  // namespace boxsim
