// orbo-cli discover: finds boxes on the LAN and prints the list text.
#include <algorithm>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/logger.h"
#include "cli/json_line.h"
#include "cli/verb.h"
#include "link/discovery/discover.h"
#include "link/discovery/ipv4_text.h"
#include "platform/local_addresses.h"

namespace orbo::cli {
namespace {

// A whole decimal number in [min, max], or nullopt.
std::optional<int> ParseMs(const std::string& text, int min, int max) {
  if (text.empty() || text.size() > 6) return std::nullopt;
  int value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + (c - '0');
  }
  if (value < min || value > max) return std::nullopt;
  return value;
}

// Applies "--NAME MS" (at most once) to *target; returns an error text or "".
std::string TakeMs(Args* args, const std::string& name, int* target) {
  const auto values = TakeOption(args, name);
  if (values.empty()) return "";
  if (values.size() > 1) return name + " given more than once";
  const auto ms = ParseMs(values.front(), 1, 60000);
  if (!ms) return name + " needs milliseconds from 1 to 60000, not \"" + values.front() + "\"";
  *target = *ms;
  return "";
}

int Discover(const Args& given) {
  Args args = given;
  const auto addresses = TakeOption(&args, "--address");
  const auto locals = TakeOption(&args, "--local-address");
  const bool sweep = TakeFlag(&args, "--sweep");
  const bool json = TakeFlag(&args, "--json");
  // The discovery's diagnostic lines (replies heard, socket errors) on stderr.
  if (TakeFlag(&args, "--verbose")) SetLogLevel(LogLevel::kDebug);
  DiscoveryOptions options;
  for (const auto& [name, target] : {std::pair{"--reply-window-ms", &options.replyWindowMs},
                                     std::pair{"--connect-limit-ms", &options.connectLimitMs}}) {
    const std::string error = TakeMs(&args, name, target);
    if (!error.empty()) return UsageError("discover: " + error);
  }
  if (!args.empty()) {
    const std::string& arg = args.front();
    if (arg == "--address" || arg == "--local-address" || arg == "--reply-window-ms" ||
        arg == "--connect-limit-ms") {
      return UsageError("discover: " + arg + " needs a value");
    }
    return UsageError("discover: unexpected argument \"" + arg + "\"");
  }
  if (addresses.size() > 1) return UsageError("discover: --address given more than once");
  if (!addresses.empty() && !locals.empty()) {
    return UsageError("discover: --address sweeps that address's network; drop --local-address");
  }
  if (!addresses.empty() && !ParseIpv4(addresses.front())) {
    return UsageError("discover: --address \"" + addresses.front() + "\" is not an IPv4 address");
  }
  for (const auto& local : locals) {
    if (!ParseIpv4(local)) {
      return UsageError("discover: --local-address \"" + local + "\" is not an IPv4 address");
    }
  }

  std::unique_ptr<LocalAddressSource> source;
  if (locals.empty()) {
    source = std::make_unique<SystemAddressSource>();
  } else {
    source = std::make_unique<FixedAddressSource>(locals);
  }
  std::string list;
  const std::string box = addresses.empty() ? std::string() : addresses.front();
  if (!orbo::Discover(box, &list, sweep ? 1 : 0, *source, options)) {
    return Fail("discover: discovery failed");
  }
  if (!json) {
    std::printf("%s\n", list.c_str());
    return 0;
  }
  // One {"address":"a.b.c.d"} a line, each box once, in the order found.
  std::vector<std::string> shown;
  for (size_t at = 0, end; (end = list.find(';', at)) != std::string::npos; at = end + 1) {
    const std::string address = list.substr(at, end - at);
    if (address.empty() || std::find(shown.begin(), shown.end(), address) != shown.end()) continue;
    shown.push_back(address);
    JsonPtr line = NewJsonObject();
    AddJsonText(line.get(), "address", address);
    PrintJsonLine(line.get());
  }
  return 0;
}

ORBO_CLI_VERB("discover",
              "discover [--json] [--address A] [--sweep] [--local-address A]... "
              "[--reply-window-ms MS] [--connect-limit-ms MS] [--verbose]  list boxes on the LAN",
              Discover);

}  // namespace
}  // namespace orbo::cli
