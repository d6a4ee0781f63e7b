// An operation context (see OpsRig) linked over TCP or the USB report
// socket to an orbo-boxsim of its own, with a private copy of the shipped
// app files. Every read waits on the socket, so nothing here sleeps.
#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "bridge/command_state.h"
#include "platform/linux/hid_backends.h"
#include "support/box_sim.h"
#include "support/ops_rig.h"
#include "support/temp_dir.h"

namespace orbo::test {

// The shipped files the transfer and firmware operations read.
inline void CopyShippedFiles(const std::filesystem::path& app) {
  namespace fs = std::filesystem;
  const fs::path shipped = ORBO_APP_DIR;
  fs::create_directories(app / "html");
  fs::copy_file(shipped / "html" / "Default.xml", app / "html" / "Default.xml");
  fs::copy_file(shipped / "BOXType.hmi", app / "BOXType.hmi");
  fs::copy_file(shipped / "Up.ibl", app / "Up.ibl");
  fs::copy(shipped / "update", app / "update", fs::copy_options::recursive);
}

// The simulator and the USB backend the rig's link uses; made first.
struct SimBoxParts {
  SimBoxParts(const std::string& profile_json, std::vector<std::string> extra)
      : sim(simDir.path(), {.args = std::move(extra), .profileJson = profile_json}),
        hid(MakeSeqpacketBackend(sim.usb_path())) {}

  TempDir simDir;
  BoxSim sim;
  std::unique_ptr<HidBackend> hid;
};

class SimOps : public SimBoxParts, public OpsRig {
 public:
  // profile_json: the simulator's profile; extra: more simulator flags.
  explicit SimOps(const std::string& profile_json, std::vector<std::string> extra = {})
      : SimBoxParts(profile_json, std::move(extra)), OpsRig(hid.get(), Options()) {
    CopyShippedFiles(dir.path());
  }

  static BoxLinkOptions Options() {
    BoxLinkOptions o;
    o.tcp.connect_ms = 2000;
    o.tcp.io_ms = 3000;  // a silent box costs seconds, not minutes
    return o;
  }

  // Connects over TCP (or the USB report socket) and identifies the box as
  // the worker would; false when the simulator did not come up or the box
  // did not answer.
  bool Connect(bool usb = false) {
    if (!sim.ready()) return false;
    if (!(usb ? link.ConnectUsb() : link.ConnectTcp(sim.address(), kBoxPort))) return false;
    ctx.typeReply.Clear();
    return link.SendCommand("GetHMIType\r", &ctx.typeReply);
  }

  // The commands the box received, without their line endings.
  std::vector<std::string> BoxCommands() const {
    std::vector<std::string> out;
    for (std::string c : sim.Commands()) {
      while (!c.empty() && (c.back() == '\r' || c.back() == '\n')) c.pop_back();
      out.push_back(c);
    }
    return out;
  }
  size_t CountCommand(const std::string& command) const {
    size_t n = 0;
    for (const std::string& c : BoxCommands()) n += c == command;
    return n;
  }
  std::filesystem::path Stored(const std::string& box_name) const {
    return sim.store_dir() / box_name;
  }

  CommandState state;
};

}  // namespace orbo::test
