#include "cli/batch_hosts.h"

#include <map>

#include "link/discovery/ipv4_text.h"

namespace orbo::cli {
namespace {

std::string_view Trim(std::string_view s) {
  const auto first = s.find_first_not_of(" \t\r");
  if (first == std::string_view::npos) return {};
  const auto last = s.find_last_not_of(" \t\r");
  return s.substr(first, last - first + 1);
}

}  // namespace

std::vector<BatchHost> ParseHostsFile(std::string_view text, std::string_view file_label,
                                      const HostResolver& resolve, std::vector<std::string>* errors,
                                      std::vector<std::string>* notes) {
  std::vector<BatchHost> hosts;
  std::map<std::string, int> seen;  // address -> line that gave it
  int number = 0;
  while (!text.empty()) {
    ++number;
    const auto end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    line = Trim(line.substr(0, line.find('#')));
    if (line.empty()) continue;
    const std::string where = std::string(file_label) + ":" + std::to_string(number) + ": ";
    if (line.find_first_of(" \t") != std::string_view::npos) {
      errors->push_back(where + "one host a line, found \"" + std::string(line) + "\"");
      continue;
    }
    const std::string name(line);
    std::optional<std::string> address;
    if (ParseIpv4(name)) {
      address = FormatIpv4(*ParseIpv4(name));
    } else {
      address = resolve(name);
      if (address && !ParseIpv4(*address)) address.reset();
    }
    if (!address) {
      errors->push_back(where + "\"" + name + "\" does not resolve to an IPv4 address");
      continue;
    }
    if (auto [it, fresh] = seen.emplace(*address, number); !fresh) {
      notes->push_back(where + "\"" + name + "\" is " + *address + " again (line " +
                       std::to_string(it->second) + "); it runs once");
      continue;
    }
    hosts.push_back({name, *address});
  }
  return hosts;
}

std::optional<std::vector<BatchHost>> SweepHosts(std::string_view range,
                                                 const std::vector<std::string>& local_addresses,
                                                 std::string* error) {
  const auto slash = range.find('/');
  const auto network = ParseIpv4(range.substr(0, slash));
  if (slash == std::string_view::npos || range.substr(slash) != "/24" || !network ||
      (*network)[3] != 0) {
    *error = "the sweep range must be a /24 network written A.B.C.0/24, not \"" +
             std::string(range) + "\"";
    return std::nullopt;
  }
  bool local = (*network)[0] == 127;
  for (const auto& text : local_addresses) {
    const auto a = ParseIpv4(text);
    if (a && (*a)[0] == (*network)[0] && (*a)[1] == (*network)[1] && (*a)[2] == (*network)[2]) {
      local = true;
    }
  }
  if (!local) {
    *error = std::string(range) +
             " is neither a loopback network nor the network of an address "
             "of this computer; nothing was swept";
    return std::nullopt;
  }
  std::vector<BatchHost> hosts;
  for (int host = 1; host <= 254; ++host) {
    const std::string address = HostInNetwork(*network, host);
    hosts.push_back({address, address});
  }
  return hosts;
}

}  // namespace orbo::cli
