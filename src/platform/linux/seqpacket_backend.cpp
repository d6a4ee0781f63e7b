// The simulator's USB function: each 1025-byte report is one packet on a
// connected AF_UNIX SOCK_SEQPACKET socket.
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>

#include <cerrno>
#include <chrono>
#include <cstring>

#include "base/poll_fd.h"
#include "base/unique_fd.h"
#include "platform/linux/hid_backends.h"

namespace orbo {
namespace {

class SeqpacketDevice : public HidDevice {
 public:
  explicit SeqpacketDevice(UniqueFd fd) : fd_(std::move(fd)) {}

  bool WriteReport(const uint8_t (&report)[kReportSize], int timeout_ms) override {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
    for (;;) {
      ssize_t n = ::send(fd_.get(), report, kReportSize, MSG_NOSIGNAL | MSG_DONTWAIT);
      if (n == static_cast<ssize_t>(kReportSize)) return true;
      if (n >= 0 || (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)) return false;
      auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
          deadline - std::chrono::steady_clock::now());
      if (left.count() <= 0 || PollFd(fd_.get(), POLLOUT, static_cast<int>(left.count())) <= 0) {
        return false;
      }
    }
  }

  int ReadReport(uint8_t (&report)[kReportSize], int timeout_ms) override {
    std::memset(report, 0, kReportSize);
    const int r = PollFd(fd_.get(), POLLIN, timeout_ms);
    if (r < 0) return -1;
    if (r == 0) return 0;
    ssize_t n;
    do {
      n = ::recv(fd_.get(), report, kReportSize, MSG_DONTWAIT);
    } while (n < 0 && errno == EINTR);
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return 0;
    if (n <= 0) return -1;  // the simulator went away
    return 1;
  }

 private:
  UniqueFd fd_;
};

class SeqpacketBackend : public HidBackend {
 public:
  explicit SeqpacketBackend(std::string path) : path_(std::move(path)) {}

  std::vector<HidInterfaceInfo> Enumerate() override {
    struct stat st {};
    if (::stat(path_.c_str(), &st) != 0 || !S_ISSOCK(st.st_mode)) return {};
    return {{path_, kBoxVendorId, kBoxProductId}};
  }

  std::optional<std::string> ParentIdTail(const HidInterfaceInfo&, const std::string&) override {
    return std::string("1&0&0&1");
  }

  std::unique_ptr<HidDevice> Open(const std::string& path) override {
    sockaddr_un sa{};
    sa.sun_family = AF_UNIX;
    if (path.size() >= sizeof(sa.sun_path)) return nullptr;
    std::memcpy(sa.sun_path, path.c_str(), path.size() + 1);
    UniqueFd fd(::socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0));
    if (!fd.valid()) return nullptr;
    if (::connect(fd.get(), reinterpret_cast<sockaddr*>(&sa), sizeof(sa)) != 0) return nullptr;
    return std::make_unique<SeqpacketDevice>(std::move(fd));
  }

 private:
  std::string path_;
};

}  // namespace

std::unique_ptr<HidBackend> MakeSeqpacketBackend(const std::string& socket_path) {
  return std::make_unique<SeqpacketBackend>(socket_path);
}

}  // namespace orbo
