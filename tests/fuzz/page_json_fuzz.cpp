// The JSON texts the page passes to command 24 (start the editor's
// download tool) and command 7 (start the serial pass-through).
// Command 24: only a plain host name ever reaches the resolver, and the
// tool gets exactly one argument, "LoadMode2 <address> 0 <port>", with the
// port read as strtol reads it. Command 7: the port settings read back as
// the four numbers and the parity they were written from, and the address
// taken from "url" travels to the port service unchanged.
#include <cctype>
#include <climits>
#include <cstdio>
#include <cstdlib>

#include "fuzz_support.h"
#include "hmi/hmi_download.h"
#include "vcom/port_parameters.h"

namespace {

bool IsPlainHost(const std::string& host) {
  if (host.empty() || host.size() > 253) return false;
  for (unsigned char c : host) {
    if (!std::isalnum(c) && c != '-' && c != '_' && c != '.') return false;
  }
  return true;
}

void CheckDownload(const std::string& json) {
  std::vector<std::string> asked;
  orbo::HostResolver resolve = [&](const std::string& host) -> std::optional<std::string> {
    asked.push_back(host);
    if (host.rfind("no", 0) == 0) return std::nullopt;
    return host.find_first_not_of("0123456789.") == std::string::npos ? host : "10.0.0.1";
  };
  const std::string folder = (orbo::fuzz::ScratchDir() / "editor").string() + "/";
  const auto argv = orbo::BuildHmiDownloadCommand(json, folder, resolve);
  FUZZ_CHECK(asked.size() <= 1);
  for (const std::string& host : asked) FUZZ_CHECK(IsPlainHost(host));
  if (!argv) return;
  FUZZ_CHECK(asked.size() == 1);
  FUZZ_CHECK(argv->size() == 2 && (*argv)[0] == folder + "Download.exe");
  const std::string& arg = (*argv)[1];
  const std::string host = asked[0];
  std::string address = *resolve(host);
  for (char& c : address) c = c == '.' ? ' ' : c;
  const std::string prefix = "LoadMode2 " + address + " 0 ";
  FUZZ_CHECK(arg.rfind(prefix, 0) == 0);
  // What follows is the port: a decimal int and nothing else.
  const std::string port = arg.substr(prefix.size());
  char* end = nullptr;
  const long value = std::strtol(port.c_str(), &end, 10);
  FUZZ_CHECK(*end == '\0' && !port.empty() && value >= INT_MIN && value <= INT_MAX &&
             std::to_string(value) == port);
}

void CheckPassThrough(const std::string& json) {
  const auto request = orbo::vcom::ParsePassThrough(json);
  if (!request) return;
  int baud = 0, data_bits = 0, stop_bits = 0, used = 0;
  char parity = 0;
  const std::string& s = request->portSettings;
  FUZZ_CHECK(
      std::sscanf(s.c_str(), "%d,%c,%d,%d%n", &baud, &parity, &data_bits, &stop_bits, &used) == 4);
  FUZZ_CHECK(static_cast<size_t>(used) == s.size());
  char again[64];
  std::snprintf(again, sizeof again, "%d,%c,%d,%d", baud, parity, data_bits, stop_bits);
  FUZZ_CHECK(s == again);
  if (request->url) {
    const auto params =
        orbo::vcom::ConnectionParameters("COM3", request->url->first, request->url->second, s);
    FUZZ_CHECK(params.size() == 42);
    std::string host, port;
    FUZZ_CHECK(params[3].first == "network.host" &&
               orbo::vcom::ReadHostPair(params[3].second, &host, &port));
    FUZZ_CHECK(host == request->url->first && port == request->url->second);
    FUZZ_CHECK(host.find(':') == std::string::npos);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // The page hands over text without zero bytes.
  const std::string json(orbo::fuzz::AsText(data, size));
  if (json.find('\0') != std::string::npos) return 0;
  CheckDownload(json);
  CheckPassThrough(json);
  return 0;
}
