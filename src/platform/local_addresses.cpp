#include "platform/local_addresses.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>

namespace orbo {

std::vector<std::string> SystemAddressSource::Ipv4Addresses() {
  std::vector<std::string> out;
  struct ifaddrs* list = nullptr;
  if (getifaddrs(&list) != 0) return out;
  for (auto* it = list; it; it = it->ifa_next) {
    if (!it->ifa_addr || it->ifa_addr->sa_family != AF_INET) continue;
    if (it->ifa_flags & IFF_LOOPBACK) continue;
    if (!(it->ifa_flags & IFF_UP)) continue;
    char buf[INET_ADDRSTRLEN];
    auto* sin = reinterpret_cast<struct sockaddr_in*>(it->ifa_addr);
    if (inet_ntop(AF_INET, &sin->sin_addr, buf, sizeof(buf))) out.emplace_back(buf);
  }
  freeifaddrs(list);
  return out;
}

}  // namespace orbo
