// An operation context linked over TCP to an orbo-boxsim of its own, with a
// private copy of the shipped app files. Pauses are virtual; every read
// waits on the socket, so nothing here sleeps.
#pragma once

#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/command_state.h"
#include "app/page.h"
#include "link/box_link.h"
#include "ops/ops_context.h"
#include "platform/clipboard.h"
#include "platform/linux/hid_backends.h"
#include "platform/local_addresses.h"
#include "support/box_sim.h"
#include "support/fake_sleeper.h"
#include "support/recording_view.h"
#include "support/scripted_prompts.h"
#include "support/temp_dir.h"

namespace orbo::test {

class NoClipboard : public Clipboard {
 public:
  bool SetText(const std::string&) override { return false; }
};

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

class SimOps {
 public:
  // profile_json: the simulator's profile; extra: more simulator flags.
  explicit SimOps(const std::string& profile_json, std::vector<std::string> extra = {})
      : sim(simDir.path(), {.args = std::move(extra), .profileJson = profile_json}),
        hid(MakeSeqpacketBackend(sim.usb_path())),
        link(hid.get(), linkSleeper, Options()),
        scripts(&view, [](std::string_view key) { return std::string(key); }),
        addresses({}),
        ctx(appDir.path(), link, scripts, prompts, clipboard, sleeper, &view, addresses) {
    CopyShippedFiles(appDir.path());
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

  std::vector<std::string> LogLines() const {
    std::vector<std::string> lines;
    const std::string head = "AddText(\"";
    for (const std::string& s : view.scripts()) {
      if (s.rfind(head, 0) == 0) lines.push_back(s.substr(head.size(), s.size() - head.size() - 3));
    }
    return lines;
  }
  bool Logged(const std::string& line) const {
    for (const std::string& l : LogLines()) {
      if (l == line) return true;
    }
    return false;
  }
  // Every file of the app directory, for checking that nothing was left.
  std::vector<std::string> AppFiles() const {
    std::vector<std::string> files;
    for (const auto& e : std::filesystem::recursive_directory_iterator(appDir.path())) {
      if (e.is_regular_file()) files.push_back(e.path().lexically_relative(appDir.path()));
    }
    std::sort(files.begin(), files.end());
    return files;
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

  TempDir simDir;
  TempDir appDir;
  BoxSim sim;
  std::unique_ptr<HidBackend> hid;
  FakeSleeper linkSleeper;
  FakeSleeper sleeper;
  BoxLink link;
  RecordingView view;
  PageScripts scripts;
  ScriptedPrompts prompts;
  NoClipboard clipboard;
  FixedAddressSource addresses;
  OpsContext ctx;
  CommandState state;
};

}  // namespace orbo::test
