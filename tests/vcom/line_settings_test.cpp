// The far line's settings: baud rates of every kind kept on the port's
// terminal, and the RFC 2217 codec against what servers send.
#include <fcntl.h>
#include <stdlib.h>

#include <gtest/gtest.h>

#include "base/unique_fd.h"
#include "vcom/portd/terminal_line.h"
#include "vcom/rfc2217.h"
#include "vcom/serial_settings.h"

namespace orbo::test {
namespace {

using namespace orbo::vcom;

std::string Bytes(std::initializer_list<int> list) {
  std::string s;
  for (int b : list) s += static_cast<char>(b);
  return s;
}

std::string Text(const ByteQueue& q) {
  return std::string(q.data(), q.size());
}

TEST(LineSettings, EveryBaudFromOneUpIsKeptOnTheTerminal) {
  UniqueFd master(::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC));
  ASSERT_TRUE(master.valid() && ::grantpt(master.get()) == 0 && ::unlockpt(master.get()) == 0);
  UniqueFd slave(::open(::ptsname(master.get()), O_RDWR | O_NOCTTY | O_CLOEXEC));
  ASSERT_TRUE(slave.valid());
  struct Case {
    const char* text;
    uint32_t baud;  // 0: refused
  } cases[] = {
      {"9600,n,8,1", 9600},
      {"115200,E,7,2", 115200},
      {"14400,N,8,1", 14400},
      {"28800,N,8,1", 28800},
      {"56000,N,8,1", 56000},
      {"128000,N,8,1", 128000},
      {"256000,E,7,1", 256000},
      {"1,N,8,1", 1},
      {"10000000,N,8,1", 10000000},
      {"4294967295,N,8,1", kMaxBaud},
      {"0,N,8,1", 0},
      {"4294967296,N,8,1", 0},
      {"-1,N,8,1", 0},
      {"99999999999,N,8,1", 0},
      {"9600.5,N,8,1", 0},
  };
  for (const Case& c : cases) {
    auto s = ParseSerialSettings(c.text);
    if (c.baud == 0) {
      EXPECT_FALSE(s) << c.text;
      continue;
    }
    ASSERT_TRUE(s) << c.text;
    EXPECT_EQ(s->baud, c.baud);
    termios tio{};
    ASSERT_EQ(::tcgetattr(slave.get(), &tio), 0);
    ApplySerialSettings(*s, &tio);
    // Reported as a failure when parity or data size are asked for: the
    // terminal keeps 8 bits without parity.
    ::tcsetattr(slave.get(), TCSANOW, &tio);
    if (!StandardSpeed(s->baud)) {
      ASSERT_TRUE(SetTerminalSpeed(slave.get(), s->baud)) << c.text;
    }
    auto line = ReadTerminalLine(slave.get());
    ASSERT_TRUE(line);
    EXPECT_EQ(line->baud, c.baud) << c.text;
    EXPECT_EQ(line->twoStopBits, s->stopBits == 2) << c.text;
  }
  EXPECT_EQ(FormatSerialSettings(*ParseSerialSettings("14400,n,8,1")), "14400,N,8,1");
}

TEST(Rfc2217, NegotiatesWithAServerAndSetsTheLine) {
  Rfc2217Codec codec;
  ByteQueue out;
  codec.Begin(&out);
  EXPECT_EQ(Text(out), Bytes({255, 251, 44, 255, 251, 0, 255, 253, 0}));
  out.Clear();
  // What a server sends first: WILL and DO SGA, WILL ECHO, DONT ECHO, DO
  // and WILL BINARY, DO COM-PORT-OPTION. SGA is agreed, echo refused, the
  // rest needs no answer (asked already or off anyway).
  std::string burst = Bytes(
      {255, 251, 3, 255, 253, 3, 255, 251, 1, 255, 254, 1, 255, 253, 0, 255, 251, 0, 255, 253, 44});
  EXPECT_EQ(codec.Receive(burst.data(), burst.size(), &out), 0u);
  EXPECT_EQ(Text(out), Bytes({255, 253, 3, 255, 251, 3, 255, 254, 1}));
  EXPECT_EQ(codec.answer(), ComPortAnswer::kAccepted);
  codec.TimedOut();
  EXPECT_EQ(codec.answer(), ComPortAnswer::kAccepted);

  out.Clear();
  Rfc2217Codec::AppendSettings(*ParseSerialSettings("65280,E,7,2"), &out);
  EXPECT_EQ(Text(out),
            Bytes({255, 250, 44,  1,   0,  0, 255, 255, 0,   255, 240, 255, 250, 44, 2,   7,
                   255, 240, 255, 250, 44, 3, 3,   255, 240, 255, 250, 44,  4,   2,  255, 240}));

  // Answers and data, with IACs in both, split at every position.
  const std::string stream = "ab" + Bytes({255, 255}) + "c" +
                             Bytes({255, 250, 44, 101, 0, 0, 255, 255, 0, 255, 240}) + "d" +
                             Bytes({255, 241, 255, 250, 44, 103, 3, 255, 240, 255, 255}) + "\r";
  for (size_t cut = 0; cut <= stream.size(); ++cut) {
    Rfc2217Codec c;
    ByteQueue replies;
    std::string a = stream.substr(0, cut), b = stream.substr(cut);
    std::string data(a.data(), c.Receive(a.data(), a.size(), &replies));
    data.append(b.data(), c.Receive(b.data(), b.size(), &replies));
    EXPECT_EQ(data, "ab" + Bytes({255}) + "cd" + Bytes({255}) + "\r") << cut;
    EXPECT_EQ(c.reported().baud, 65280u) << cut;
    EXPECT_EQ(c.reported().parity, 'E') << cut;
    EXPECT_TRUE(replies.empty());
  }

  std::string all;
  for (int i = 0; i < 256; ++i) all += static_cast<char>(i);
  ByteQueue escaped;
  Rfc2217Codec::Escape(all.data(), all.size(), &escaped);
  EXPECT_EQ(escaped.size(), 257u);
  Rfc2217Codec back;
  std::string wire = Text(escaped);
  EXPECT_EQ(std::string(wire.data(), back.Receive(wire.data(), wire.size(), &out)), all);
}

TEST(Rfc2217, GarbageFromTheServerIsSkippedAndCounted) {
  Rfc2217Codec codec;
  ByteQueue out;
  codec.Begin(&out);
  out.Clear();
  // An overlong subnegotiation, one cut off by a command, a short one and
  // an unknown command: each skipped, the data around them intact.
  std::string s = "x" + Bytes({255, 250, 44, 101}) + std::string(100000, 'y') + Bytes({255, 240}) +
                  "z" + Bytes({255, 250, 44, 101, 1, 255, 253, 3}) + Bytes({255, 250, 44}) +
                  Bytes({255, 240}) + Bytes({255, 250, 44, 200, 255, 240}) + "w" +
                  Bytes({255, 254, 44});
  std::string data(s.data(), codec.Receive(s.data(), s.size(), &out));
  EXPECT_EQ(data, "xzw");
  EXPECT_EQ(codec.badSubnegotiations(), 4u);
  EXPECT_EQ(codec.reported().baud, 0u);
  EXPECT_EQ(Text(out), Bytes({255, 251, 3}));  // the DO inside the cut one still counts
  EXPECT_EQ(codec.answer(), ComPortAnswer::kRefused);

  Rfc2217Codec silent;
  silent.Begin(&out);
  silent.TimedOut();
  EXPECT_EQ(silent.answer(), ComPortAnswer::kNoAnswer);
}

}  // namespace
}  // namespace orbo::test
