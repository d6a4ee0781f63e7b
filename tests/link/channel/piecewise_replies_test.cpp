// The link over a real loopback connection whose peer sends its replies in
// pieces, drips them, sends too much, or never answers: records of known
// size are read whole, leftovers never pass for the next answer, every
// wait has an end, and Interrupt ends a blocked read at once.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "base/unique_fd.h"
#include "link/box_link.h"
#include "link/file_transfer.h"
#include "link/transfer_header.h"
#include "support/fake_sleeper.h"
#include "support/loopback_address.h"
#include "support/md5_hex.h"
#include "support/temp_dir.h"

namespace orbo {
namespace {

using Clock = std::chrono::steady_clock;

// One piece of what the peer sends: bytes, then a pause before the next.
struct Piece {
  std::string bytes;
  int pauseMs = 0;
};

// A one-connection peer on a loopback address of the test's own. For each
// command it reads (up to "\r"), it sends the next list of pieces.
class Peer {
 public:
  explicit Peer(std::vector<std::vector<Piece>> answers) : answers_(std::move(answers)) {
    address_ = test::PickLoopbackAddress([this](const std::string& a) {
      UniqueFd fd(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
      sockaddr_in sa{};
      sa.sin_family = AF_INET;
      sa.sin_port = htons(kBoxPort);
      ::inet_pton(AF_INET, a.c_str(), &sa.sin_addr);
      if (::bind(fd.get(), reinterpret_cast<sockaddr*>(&sa), sizeof(sa)) != 0) return false;
      if (::listen(fd.get(), 1) != 0) return false;
      listener_ = std::move(fd);
      return true;
    });
    thread_ = std::thread([this] { Serve(); });
  }
  ~Peer() {
    ::shutdown(listener_.get(), SHUT_RDWR);
    thread_.join();
  }
  const std::string& address() const { return address_; }

 private:
  void Serve() {
    UniqueFd conn(::accept(listener_.get(), nullptr, nullptr));
    if (!conn.valid()) return;
    for (const std::vector<Piece>& answer : answers_) {
      char c = 0;
      while (::recv(conn.get(), &c, 1, 0) == 1 && c != '\r') {
      }
      for (const Piece& piece : answer) {
        if (::send(conn.get(), piece.bytes.data(), piece.bytes.size(), MSG_NOSIGNAL) < 0) return;
        if (piece.pauseMs > 0)
          std::this_thread::sleep_for(std::chrono::milliseconds(piece.pauseMs));
      }
    }
    // Keep the connection open (silent) until the link closes it.
    char drop[256];
    while (::recv(conn.get(), drop, sizeof(drop), 0) > 0) {
    }
  }

  std::vector<std::vector<Piece>> answers_;
  std::string address_;
  UniqueFd listener_;
  std::thread thread_;
};

BoxLinkOptions ShortWaits() {
  BoxLinkOptions o;
  o.tcp.connect_ms = 2000;
  o.tcp.io_ms = 1500;
  o.reply_gap_ms = 150;
  return o;
}

std::vector<Piece> Drip(const std::string& text, int pauseMs) {
  std::vector<Piece> pieces;
  for (char c : text) pieces.push_back({std::string(1, c), pauseMs});
  return pieces;
}

std::string Header(const std::string& content) {
  const auto h = EncodeTransferHeader(test::Md5Hex(content), static_cast<uint32_t>(content.size()));
  return std::string(reinterpret_cast<const char*>(h.data()), h.size());
}

TEST(PiecewiseReplies, EachCommandGetsItsWholeAnswerAndNothingElse) {
  struct Case {
    const char* name;
    std::vector<Piece> first;  // the answer to the first command
    std::string expected;      // what the first command reads
  } cases[] = {
      {"reply dripped a byte at a time", Drip("OP-X70", 40), "OP-X70"},
      {"reply in two sends", {{"OP-", 60}, {"X70", 0}}, "OP-X70"},
      // A reply longer than the buffer: the first 1024 bytes, the rest
      // drained before the next command.
      {"overlong reply", {{std::string(5000, 'v'), 0}}, std::string(1024, 'v')},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Peer peer({c.first, {{"ORBO-SN-0001", 0}}});
    test::FakeSleeper sleeper;
    BoxLink link(nullptr, sleeper, ShortWaits());
    ASSERT_TRUE(link.ConnectTcp(peer.address(), kBoxPort));
    ReplyBuffer type, serial;
    EXPECT_TRUE(link.SendCommand("GetHMIType\r", &type));
    EXPECT_EQ(type.Text(), c.expected);
    EXPECT_TRUE(link.SendCommand("GetRmtSN\r\n", &serial));
    EXPECT_EQ(serial.Text(), "ORBO-SN-0001");
    link.Close();
  }
}

TEST(PiecewiseReplies, FetchReadsRecordsWholeAndEndsWithinItsWaits) {
  const std::string content(150000, 'c');
  const std::string header = Header(content);
  struct Case {
    const char* name;
    std::vector<Piece> answer;
    FetchOutcome expected;
  } cases[] = {
      {"header in 20 + 24 bytes",
       {{"UpLoadStat:0", 30}, {header.substr(0, 20), 60}, {header.substr(20), 0}, {content, 0}},
       FetchOutcome::kSuccess},
      // 2 GiB announced, then a byte every 100 ms: the first block never
      // completes within its wait.
      {"2 GiB announced, then a drip",
       [] {
         std::vector<Piece> p = {{"UpLoadStat:0", 0},
                                 {Header("x").substr(0, 40), 0},
                                 {std::string("\0\0\0\x80", 4), 0}};
         for (int i = 0; i < 60; ++i) p.push_back({"d", 100});
         return p;
       }(),
       FetchOutcome::kFailed},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Peer peer({c.answer});
    test::FakeSleeper sleeper;
    test::TempDir dir;
    BoxLink link(nullptr, sleeper, ShortWaits());
    ASSERT_TRUE(link.ConnectTcp(peer.address(), kBoxPort));
    const auto start = Clock::now();
    EXPECT_EQ(FetchFile(link, "setup.xml", "", dir.path() / "setup.xml"), c.expected);
    // A block may take one wait; far less than the drip would need.
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(5));
    link.Close();
  }
}

TEST(PiecewiseReplies, InterruptEndsABlockedReadAtOnceAndForGood) {
  Peer peer(std::vector<std::vector<Piece>>{{}});  // reads the command, never answers
  test::FakeSleeper sleeper;
  BoxLinkOptions options;
  options.tcp.connect_ms = 2000;  // the 10 s reply wait stays
  BoxLink link(nullptr, sleeper, options);
  ASSERT_TRUE(link.ConnectTcp(peer.address(), kBoxPort));
  const auto start = Clock::now();
  std::thread stopper([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    link.Interrupt();
  });
  ReplyBuffer reply;
  EXPECT_FALSE(link.SendCommand("GetHMIType\r", &reply));
  stopper.join();
  EXPECT_LT(Clock::now() - start, std::chrono::seconds(5));
  EXPECT_FALSE(link.ConnectTcp(peer.address(), kBoxPort));
  link.Close();
}

}  // namespace
}  // namespace orbo
