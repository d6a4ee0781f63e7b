#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "formats/crypto/write_all.h"

namespace orbo {
namespace {

class Fd {
 public:
  explicit Fd(int fd = -1) : fd_(fd) {}
  ~Fd() {
    if (fd_ >= 0) close(fd_);
  }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  int get() const { return fd_; }

 private:
  int fd_;
};

TEST(WriteAllTest, WritesPiecesOfAtMost64KiBInOrder) {
  // A sequenced-packet socket keeps every write as one message, so the reader
  // sees the size of each write.
  int fds[2];
  ASSERT_EQ(socketpair(AF_UNIX, SOCK_SEQPACKET, 0, fds), 0);
  Fd writer(fds[0]);
  Fd reader(fds[1]);
  int buffer_size = 1 << 20;
  setsockopt(writer.get(), SOL_SOCKET, SO_SNDBUF, &buffer_size, sizeof buffer_size);

  std::string data(65537, '\0');
  for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>(i % 251);
  ASSERT_EQ(WriteAll(data.data(), static_cast<int64_t>(data.size()), writer.get()), 65537);

  std::vector<size_t> sizes;
  std::string received;
  std::vector<char> message(1 << 17);
  while (received.size() < data.size()) {
    const ssize_t n = recv(reader.get(), message.data(), message.size(), 0);
    ASSERT_GT(n, 0);
    sizes.push_back(static_cast<size_t>(n));
    received.append(message.data(), static_cast<size_t>(n));
  }
  EXPECT_EQ(sizes, (std::vector<size_t>{65536, 1}));
  EXPECT_EQ(received, data);
}

TEST(WriteAllTest, RefusesBadArguments) {
  Fd null_out(open("/dev/null", O_WRONLY | O_CLOEXEC));
  ASSERT_GE(null_out.get(), 0);
  EXPECT_EQ(WriteAll(nullptr, 5, null_out.get()), -1);
  EXPECT_EQ(WriteAll("abc", 0, null_out.get()), -1);
  EXPECT_EQ(WriteAll("abc", -3, null_out.get()), -1);
  EXPECT_EQ(WriteAll("abc", 3, -1), -1);
  EXPECT_EQ(WriteAll("abc", 3, null_out.get()), 3);
}

TEST(WriteAllTest, FailedOrShortWritesReturnMinusTwo) {
  Fd read_only(open("/dev/null", O_RDONLY | O_CLOEXEC));
  ASSERT_GE(read_only.get(), 0);
  EXPECT_EQ(WriteAll("abc", 3, read_only.get()), -2);

  // A non-blocking pipe with little room left stores only part of a piece.
  int fds[2];
  ASSERT_EQ(pipe2(fds, O_NONBLOCK | O_CLOEXEC), 0);
  Fd pipe_read(fds[0]);
  Fd pipe_write(fds[1]);
  const int capacity = fcntl(pipe_write.get(), F_GETPIPE_SZ);
  ASSERT_GT(capacity, 100);
  std::string filler(static_cast<size_t>(capacity) - 100, 'f');
  ASSERT_EQ(write(pipe_write.get(), filler.data(), filler.size()),
            static_cast<ssize_t>(filler.size()));
  std::string data(4096, 'd');
  EXPECT_EQ(WriteAll(data.data(), static_cast<int64_t>(data.size()), pipe_write.get()), -2);
}

}  // namespace
}  // namespace orbo
