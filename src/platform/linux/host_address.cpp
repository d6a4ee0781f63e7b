#include "platform/host_address.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>

namespace orbo {

std::optional<std::string> ResolveHostAddress(const std::string& host) {
  if (host.empty()) return std::nullopt;
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  if (::getaddrinfo(host.c_str(), nullptr, &hints, &found) != 0 || !found) return std::nullopt;
  // Room for the longest IPv6 text, so no address is cut to nothing.
  char text[INET6_ADDRSTRLEN] = {0};
  const addrinfo* first = found;
  if (first->ai_family == AF_INET) {
    ::inet_ntop(AF_INET, &reinterpret_cast<const sockaddr_in*>(first->ai_addr)->sin_addr, text,
                sizeof text);
  } else if (first->ai_family == AF_INET6) {
    ::inet_ntop(AF_INET6, &reinterpret_cast<const sockaddr_in6*>(first->ai_addr)->sin6_addr, text,
                sizeof text);
  }
  ::freeaddrinfo(found);
  return std::string(text);
}

}  // namespace orbo
