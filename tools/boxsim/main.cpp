// orbo-boxsim: a simulated ORBO box for tests and demos. See README.md.
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "base/program_info.h"
#include "box.h"
#include "event_log.h"
#include "profile.h"
#include "server.h"

namespace {

boxsim::Server* g_server = nullptr;

void OnSignal(int) {
  if (g_server) g_server->Stop();
}

const char kUsage[] =
    "usage: orbo-boxsim --address A [--tcp-port N] [--udp-port N] [--udp-bind A]\n"
    "                   [--usb PATH] [--profile FILE] [--log FILE] [--store DIR]\n"
    "                   [--reset-ms N] [--tz-reply auto|fail|error]\n"
    "                   [--error CMD]... [--silent CMD]... [--drop-after N]\n"
    "                   [--wrong-digest] [--delay MS] [--flood TEXT] [--flood-count N]\n"
    "                   [--flood-on CMD]... [--drip-ms MS] [--cut-reply CMD]...\n"
    "                   [--stall-after N] [--split-header] [--header-size N]\n"
    "                   [--reset-on CMD]... [--hostile-reply CMD]...\n";

int Usage(const std::string& message) {
  std::fprintf(stderr, "orbo-boxsim: %s\n%s", message.c_str(), kUsage);
  return 2;
}

bool ToInt(const std::string& text, long long* out) {
  char* end = nullptr;
  errno = 0;
  long long v = std::strtoll(text.c_str(), &end, 10);
  if (text.empty() || *end != '\0' || errno != 0) return false;
  *out = v;
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  boxsim::ServerOptions options;
  boxsim::Profile profile;
  std::string log_path;
  std::string store_dir = "boxsim-store";
  // Flags are applied after the profile so they override it.
  std::vector<std::pair<std::string, std::string>> overrides;
  bool have_address = false;

  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    auto value = [&](std::string* out) {
      if (i + 1 >= args.size()) return false;
      *out = args[++i];
      return true;
    };
    std::string v;
    if (a == "--help" || a == "-h") {
      std::printf("%s", kUsage);
      return 0;
    } else if (a == "--version") {
      std::fputs(orbo::VersionText("orbo-boxsim").c_str(), stdout);
      return 0;
    } else if (a == "--wrong-digest" || a == "--split-header") {
      overrides.emplace_back(a, "");
    } else if (!value(&v)) {
      return Usage("missing value or unknown option: " + a);
    } else if (a == "--address") {
      options.address = v;
      have_address = true;
    } else if (a == "--udp-bind") {
      options.udpBind = v;
    } else if (a == "--usb") {
      options.usbPath = v;
    } else if (a == "--log") {
      log_path = v;
    } else if (a == "--store") {
      store_dir = v;
    } else if (a == "--profile") {
      std::ifstream in(v);
      if (!in) return Usage("cannot read profile " + v);
      std::stringstream text;
      text << in.rdbuf();
      std::string error;
      if (!boxsim::LoadProfileJson(text.str(), &profile, &error)) {
        return Usage("profile " + v + ": " + error);
      }
    } else if (a == "--tcp-port" || a == "--udp-port") {
      long long port = 0;
      if (!ToInt(v, &port) || port < 0 || port > 65535) return Usage("bad port: " + v);
      (a == "--tcp-port" ? options.tcpPort : options.udpPort) = static_cast<int>(port);
    } else if (a == "--reset-ms" || a == "--tz-reply" || a == "--error" || a == "--silent" ||
               a == "--drop-after" || a == "--delay" || a == "--flood" || a == "--flood-count" ||
               a == "--flood-on" || a == "--drip-ms" || a == "--cut-reply" ||
               a == "--stall-after" || a == "--header-size" || a == "--reset-on" ||
               a == "--hostile-reply") {
      overrides.emplace_back(a, v);
    } else {
      return Usage("unknown option: " + a);
    }
  }
  if (!have_address) return Usage("--address is required");

  boxsim::Faults& f = profile.faults;
  for (const auto& [flag, v] : overrides) {
    long long n = 0;
    bool numeric = flag == "--reset-ms" || flag == "--drop-after" || flag == "--delay" ||
                   flag == "--flood-count" || flag == "--drip-ms" || flag == "--stall-after" ||
                   flag == "--header-size";
    if (numeric && (!ToInt(v, &n) || n < 0)) return Usage("bad number for " + flag + ": " + v);
    if (flag == "--wrong-digest") f.wrongDigest = true;
    if (flag == "--reset-ms") profile.resetMs = static_cast<int>(n);
    if (flag == "--tz-reply") profile.tzReply = v;
    if (flag == "--error") f.error.insert(v);
    if (flag == "--silent") f.silent.insert(v);
    if (flag == "--drop-after") f.dropAfter = n;
    if (flag == "--delay") f.delayMs = static_cast<int>(n);
    if (flag == "--flood") f.floodText = v;
    if (flag == "--flood-count") f.floodCount = static_cast<int>(n);
    if (flag == "--flood-on") f.floodOn.insert(v);
    if (flag == "--drip-ms") f.dripMs = static_cast<int>(n);
    if (flag == "--cut-reply") f.cutReply.insert(v);
    if (flag == "--stall-after") f.stallAfter = n;
    if (flag == "--split-header") f.splitHeader = true;
    if (flag == "--header-size") f.headerSize = n;
    if (flag == "--reset-on") f.resetOn.insert(v);
    if (flag == "--hostile-reply") f.hostileOn.insert(v);
  }
  if (profile.tzReply != "auto" && profile.tzReply != "fail" && profile.tzReply != "error") {
    return Usage("tzReply must be auto, fail or error");
  }

  boxsim::EventLog log;
  if (!log.Open(log_path)) return Usage("cannot open log " + log_path);
  boxsim::Server server(options);
  boxsim::Box box(profile, &log, store_dir, [&server] { server.RequestReset(); });
  server.set_box(&box);
  std::string error;
  if (!server.Open(&error)) {
    std::fprintf(stderr, "orbo-boxsim: %s\n", error.c_str());
    return 1;
  }
  g_server = &server;
  std::signal(SIGTERM, OnSignal);
  std::signal(SIGINT, OnSignal);
  std::signal(SIGPIPE, SIG_IGN);
  server.Run();
  g_server = nullptr;
  server.Close();
  return 0;
}
