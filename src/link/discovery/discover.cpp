#include "link/discovery/discover.h"

#include "base/logger.h"
#include "link/discovery/broadcast.h"
#include "link/discovery/discovery_list.h"
#include "link/discovery/ipv4_text.h"
#include "link/discovery/sweep.h"

namespace orbo {

bool Discover(const std::string& boxAddress, std::string* list, int listScanArg,
              LocalAddressSource& localAddresses, const DiscoveryOptions& options) {
  list->clear();
  DiscoveryList found;
  if (!boxAddress.empty()) {
    const auto box = ParseIpv4(boxAddress);
    if (!box) {
      // Sweeping a guessed network would contact hosts nobody asked for.
      ORBO_LOG_WARN("discovery: box address \"%s\" is not an IPv4 address, nothing swept",
                    boxAddress.c_str());
      return false;
    }
    SweepNetwork(*box, found, options);
  } else {
    for (const std::string& local : localAddresses.Ipv4Addresses()) {
      const auto octets = ParseIpv4(local);
      if (!octets) {
        ORBO_LOG_WARN("discovery: skipping local address \"%s\"", local.c_str());
        continue;
      }
      BroadcastGetHostName(local, found, options);
      if (listScanArg != 0) SweepNetwork(*octets, found, options);
    }
  }
  *list = found.Text();
  return true;
}

}  // namespace orbo
