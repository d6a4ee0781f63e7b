#include "support/box_sim.h"

#include <fstream>

#include "support/loopback_address.h"
#include "support/page_host.h"

namespace orbo::test {

namespace {
constexpr int kStartMs = 20000;
}  // namespace

BoxSim::BoxSim(const std::filesystem::path& dir, Options options)
    : dir_(dir),
      log_path_(dir / "boxsim.log"),
      store_dir_(dir / "box-store"),
      usb_path_((dir / "usb.sock").string()),
      args_(std::move(options.args)),
      udp_(options.udp),
      wrapper_(std::move(options.wrapper)) {
  if (!options.profileJson.empty()) {
    profile_path_ = (dir / "profile.json").string();
    std::ofstream(profile_path_) << options.profileJson;
  }
  if (!options.address.empty()) {
    address_ = options.address;
    ready_ = Start();
    return;
  }
  // A taken address (another test's simulator) makes the simulator exit
  // before its readiness line; the picker then tries the next one.
  address_ = PickLoopbackAddress([this](const std::string& address) {
    address_ = address;
    return Start();
  });
  ready_ = !address_.empty();
}

BoxSim::~BoxSim() {
  Stop();
}

bool BoxSim::Start() {
  std::vector<std::string> argv = wrapper_;
  argv.insert(argv.end(),
              {std::string(ORBO_APP_DIR) + "/orbo-boxsim", "--address", address_, "--usb",
               usb_path_, "--log", log_path_.string(), "--store", store_dir_.string()});
  if (!udp_) argv.insert(argv.end(), {"--udp-port", "0"});
  if (!profile_path_.empty()) argv.insert(argv.end(), {"--profile", profile_path_});
  argv.insert(argv.end(), args_.begin(), args_.end());
  process_ = std::make_unique<ChildProcess>(argv);
  if (process_->started() && WaitReady(kStartMs)) return true;
  process_.reset();
  return false;
}

bool BoxSim::WaitLine(const std::string& prefix, int timeoutMs) {
  return process_ && !process_->WaitForLine(prefix, timeoutMs).empty();
}

void BoxSim::Stop() {
  process_.reset();
  ready_ = false;
}

bool BoxSim::Restart(std::vector<std::string> args) {
  Stop();
  args_ = std::move(args);
  ready_ = Start();
  return ready_;
}

std::vector<std::string> BoxSim::LogLines() const {
  std::vector<std::string> lines;
  std::ifstream in(log_path_);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

std::vector<std::string> BoxSim::Commands() const {
  std::vector<std::string> commands;
  for (const std::string& line : LogLines()) {
    if (auto c = JsonString(line, "command")) commands.push_back(*c);
  }
  return commands;
}

}  // namespace orbo::test
