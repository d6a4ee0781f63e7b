// RFC 2217 through the real port service against a server neither of us
// wrote: ser2net with a telnet(rfc2217) accepter on 127.0.0.1 in front of
// a socat pseudo-terminal pair. What the far device gets is read with
// stty on the device side.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <thread>

#include "support/child_process.h"
#include "support/echo_server.h"
#include "support/temp_dir.h"
#include "vcom/port_parameters.h"
#include "vcom/port_paths.h"
#include "vcom/sec_client.h"

namespace orbo::test {
namespace {

using namespace orbo::vcom;
using Clock = std::chrono::steady_clock;

const std::string kPortd = std::string(ORBO_APP_DIR) + "/orbo-portd";
const std::string kCli = std::string(ORBO_APP_DIR) + "/orbo-cli";

// Samples check (every 20 ms, at most 20 s) until it holds.
bool Eventually(const std::function<bool()>& check) {
  const auto end = Clock::now() + std::chrono::seconds(20);
  while (Clock::now() < end) {
    if (check()) return true;
    ::poll(nullptr, 0, 20);
  }
  return check();
}

// Something listens on 127.0.0.1:port (seen in /proc: a probe connection
// would be a client of its own to the server).
bool Listening(int port) {
  char needle[32];
  std::snprintf(needle, sizeof needle, "0100007F:%04X", port);
  std::ifstream tcp("/proc/net/tcp");
  for (std::string line; std::getline(tcp, line);) {
    if (line.find(needle) != std::string::npos && line.find(" 0A ") != std::string::npos) {
      return true;
    }
  }
  return false;
}

UniqueFd OpenRaw(const std::filesystem::path& path) {
  UniqueFd fd(::open(path.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC));
  termios tio{};
  if (fd.valid() && ::tcgetattr(fd.get(), &tio) == 0) {
    cfmakeraw(&tio);
    ::tcsetattr(fd.get(), TCSANOW, &tio);
  }
  return fd;
}

// Writes all of data to fd while another thread reads; false on failure.
bool WriteAll(int fd, const std::string& data) {
  for (size_t done = 0; done < data.size();) {
    ssize_t n = ::write(fd, data.data() + done, std::min<size_t>(data.size() - done, 65536));
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

// Reads want bytes from fd (stopping after 20 s of silence).
std::string ReadBytes(int fd, size_t want) {
  std::string in;
  char buf[65536];
  while (in.size() < want) {
    pollfd p{fd, POLLIN, 0};
    if (::poll(&p, 1, 20000) <= 0) break;
    ssize_t n = ::read(fd, buf, std::min(sizeof buf, want - in.size()));
    if (n <= 0) break;
    in.append(buf, static_cast<size_t>(n));
  }
  return in;
}

class Rfc2217 : public ::testing::Test {
 protected:
  void SetUp() override {
    ::setenv("XDG_RUNTIME_DIR", dir_.path().c_str(), 1);
    ::setenv("WINEPREFIX", (dir_ / "no-wine").c_str(), 1);
    ASSERT_EQ(RunProcess({kPortd, "install"}).exitCode, 0);
    ASSERT_EQ(RunProcess({kPortd, "enable"}).exitCode, 0);
    client_ = std::make_unique<SecClient>(ServiceSocketPath());
    ASSERT_TRUE(client_->sec_ConnectService("."));
  }
  void TearDown() override { EXPECT_EQ(RunProcess({kPortd, "disable"}).exitCode, 0); }

  void Create(const std::string& name, int port, const std::string& settings) {
    int32_t id = -1;
    ASSERT_TRUE(client_->sec_CreateConnection(1, &id));
    for (const auto& [key, value] :
         ConnectionParameters(name, "127.0.0.1", std::to_string(port), settings, "RFC2217")) {
      ASSERT_TRUE(client_->sec_SetParam(id, key, value)) << key;
    }
    ASSERT_TRUE(client_->sec_AddConnectionService(id));
  }
  std::string Status() {
    std::string text;
    return client_->Status(&text) ? text : "";
  }
  bool StatusHas(const std::string& text) { return Status().find(text) != std::string::npos; }

  TempDir dir_;
  std::unique_ptr<SecClient> client_;
};

TEST_F(Rfc2217, Ser2netGetsTheLineAtLinkUpAndEveryChangeAndEveryByteCrosses) {
  if (!ProgramExists("ser2net") || !ProgramExists("socat")) {
    GTEST_SKIP() << "ser2net or socat is not installed (scripts/setup.sh installs both)";
  }
  const auto devA = dir_ / "devA";  // ser2net's side of the pair
  const auto devB = dir_ / "devB";  // the far device as the test plays it
  ChildProcess pair(
      {"socat", "PTY,raw,echo=0,link=" + devA.string(), "PTY,raw,echo=0,link=" + devB.string()});
  ASSERT_TRUE(Eventually([&] { return std::filesystem::exists(devB); }));
  const int port = FreeLoopbackPort();
  ChildOptions quiet;
  quiet.errFile = dir_ / "ser2net.err";
  ChildProcess ser2net({"ser2net", "-n", "-u", "-Y", "connection: &port", "-Y",
                        "  accepter: telnet(rfc2217),tcp,127.0.0.1," + std::to_string(port), "-Y",
                        "  connector: serialdev," + devA.string() + ",9600n81,local"},
                       quiet);
  ASSERT_TRUE(Eventually([&] { return Listening(port); })) << "ser2net does not listen";
  auto stty = [&] { return RunProcess({"stty", "-F", devA.string(), "-a"}).out; };
  auto hasLine = [&](const std::string& speed, bool twoStop) {
    const std::string s = stty();
    return s.find("speed " + speed + " baud") != std::string::npos &&
           (s.find("-cstopb") == std::string::npos) == twoStop;
  };

  // At link-up: the connection's settings reach the device.
  Create("COM5", port, "19200,E,7,2");
  EXPECT_TRUE(Eventually([&] { return hasLine("19200", true); })) << stty();
  EXPECT_TRUE(Eventually([&] { return StatusHas("\"rfc2217\":\"accepted\""); })) << Status();
  EXPECT_TRUE(Eventually([&] { return StatusHas("\"serverSettings\":\"19200,E,7,2\""); }))
      << Status();

  // A program changes speed and stop bits on the open port.
  UniqueFd program = OpenRaw(PortsDir() / "COM5");
  ASSERT_TRUE(program.valid());
  termios tio{};
  ASSERT_EQ(::tcgetattr(program.get(), &tio), 0);
  cfsetspeed(&tio, B57600);
  tio.c_cflag &= ~static_cast<tcflag_t>(CSTOPB);
  ::tcsetattr(program.get(), TCSANOW, &tio);
  EXPECT_TRUE(Eventually([&] { return hasLine("57600", false); })) << stty();
  EXPECT_TRUE(StatusHas("\"lineSettings\":\"57600,E,7,1\"")) << Status();
  // A program that clears every local flag (EXTPROC among them) changes
  // the line unannounced; it is found all the same.
  tio.c_lflag = 0;
  ::tcsetattr(program.get(), TCSANOW, &tio);
  cfsetspeed(&tio, B115200);
  ::tcsetattr(program.get(), TCSANOW, &tio);
  EXPECT_TRUE(Eventually([&] { return hasLine("115200", false); })) << stty();

  // A monitor follows the traffic.
  ChildProcess monitor({kCli, "vcom", "monitor", "COM5", "--json"});
  ASSERT_TRUE(Eventually([&] { return StatusHas("\"monitors\":1"); })) << Status();
  UniqueFd device = OpenRaw(devB);
  ASSERT_TRUE(WriteAll(program.get(), "AT\r\n"));
  EXPECT_EQ(ReadBytes(device.get(), 4), "AT\r\n");
  EXPECT_NE(monitor.WaitForLine("{\"time\":", 20000)
                .find("\"direction\":\"to network\",\"bytes\":4,"
                      "\"hex\":\"41540d0a\""),
            std::string::npos);

  // 1 MiB each way at once, every byte value (IAC, CR and NUL among them).
  std::string data(1 << 20, '\0');
  for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>(i * 7 + i / 4099);
  std::string atDevice, atProgram;
  std::thread toDevice([&] { atDevice = ReadBytes(device.get(), data.size()); });
  std::thread toProgram([&] { atProgram = ReadBytes(program.get(), data.size()); });
  EXPECT_TRUE(WriteAll(program.get(), data));
  EXPECT_TRUE(WriteAll(device.get(), data));
  toDevice.join();
  toProgram.join();
  EXPECT_TRUE(atDevice == data) << atDevice.size() << " bytes reached the device";
  EXPECT_TRUE(atProgram == data) << atProgram.size() << " bytes reached the program";
  const std::string moved = std::to_string(data.size() + 4);
  EXPECT_TRUE(StatusHas("\"toNetwork\":" + moved + ",\"fromNetwork\":" +
                        std::to_string(data.size()) + ",\"dropped\":0,\"reconnects\":0"))
      << Status();

  // The monitor ends with the port.
  EXPECT_EQ(RunProcess({kCli, "vcom", "delete", "COM5"}).exitCode, 0);
  EXPECT_EQ(monitor.Wait(20000), 0);
}

TEST_F(Rfc2217, AServerThatNeverAnswersStillGetsTheData) {
  // A listener that takes the connection and never speaks.
  int port = 0;
  UniqueFd listener = ListenLoopback(0, &port);
  ASSERT_TRUE(listener.valid());
  Create("COM6", port, "9600,N,8,1");
  UniqueFd server(::accept4(listener.get(), nullptr, nullptr, SOCK_CLOEXEC));
  ASSERT_TRUE(server.valid());
  UniqueFd program = OpenRaw(PortsDir() / "COM6");
  ASSERT_TRUE(WriteAll(program.get(), std::string("x\xff", 2)));
  // The offer (WILL COM-PORT-OPTION, WILL and DO BINARY), then the data,
  // its IAC doubled, once the wait for an answer is over.
  const std::string offer("\xff\xfb\x2c\xff\xfb\x00\xff\xfd\x00", 9);
  EXPECT_EQ(ReadBytes(server.get(), offer.size()), offer);
  EXPECT_TRUE(Eventually([&] { return StatusHas("\"rfc2217\":\"no answer from the server\""); }))
      << Status();
  EXPECT_EQ(ReadBytes(server.get(), 3), "x\xff\xff");
  EXPECT_TRUE(StatusHas("\"linkUp\":true")) << Status();
}

}  // namespace
}  // namespace orbo::test
