// The boxes a batch runs against: a hosts file or a /24 sweep range.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orbo::cli {

struct BatchHost {
  std::string name;     // as written in the file, or the address of a sweep
  std::string address;  // dotted IPv4
};

// Resolves a host name to a dotted IPv4 address; nullopt when it does not.
using HostResolver = std::function<std::optional<std::string>(const std::string& name)>;

// Reads a hosts file: one host name or IPv4 address a line; "#" starts a
// comment; blank lines are skipped. A line that holds more than one word or
// a name that does not resolve to IPv4 adds "LABEL:LINE: why" to *errors.
// A host whose address an earlier line already gave is left out and noted
// in *notes. file_label names the file in the messages.
std::vector<BatchHost> ParseHostsFile(std::string_view text, std::string_view file_label,
                                      const HostResolver& resolve, std::vector<std::string>* errors,
                                      std::vector<std::string>* notes);

// The 254 host addresses of range "A.B.C.0/24" when it is a loopback
// network (127.0.0.0/8) or the network of one of local_addresses; nullopt
// with *error set otherwise.
std::optional<std::vector<BatchHost>> SweepHosts(std::string_view range,
                                                 const std::vector<std::string>& local_addresses,
                                                 std::string* error);

}  // namespace orbo::cli
