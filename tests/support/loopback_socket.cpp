#include "support/loopback_socket.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>

namespace orbo::test {
namespace {

sockaddr_in Loopback(int port) {
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = htons(static_cast<uint16_t>(port));
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  return a;
}

}  // namespace

UniqueFd ListenLoopback(int port, int* bound) {
  UniqueFd fd(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
  int one = 1;
  ::setsockopt(fd.get(), SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
  sockaddr_in a = Loopback(port);
  socklen_t len = sizeof a;
  if (!fd.valid() || ::bind(fd.get(), reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 ||
      ::listen(fd.get(), 64) != 0 ||
      ::getsockname(fd.get(), reinterpret_cast<sockaddr*>(&a), &len) != 0)
    return UniqueFd();
  if (bound != nullptr) *bound = ntohs(a.sin_port);
  return fd;
}

UniqueFd ConnectLoopback(int port) {
  UniqueFd fd(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
  sockaddr_in a = Loopback(port);
  if (!fd.valid() || ::connect(fd.get(), reinterpret_cast<sockaddr*>(&a), sizeof a) != 0)
    return UniqueFd();
  return fd;
}

int FreeLoopbackPort() {
  int port = 0;
  ListenLoopback(0, &port);
  return port;
}

}  // namespace orbo::test
