// The real port service (orbo-portd) with a runtime folder of its own,
// driven through the connection client, a serial client on the port's
// terminal, and a TCP echo server on 127.0.0.1.
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <random>

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

class PortService : public ::testing::Test {
 protected:
  // A service of this test's own: its runtime folder and Wine prefix.
  static std::filesystem::path OwnRuntime(const TempDir& dir) {
    ::setenv("XDG_RUNTIME_DIR", dir.path().c_str(), 1);
    std::filesystem::create_directories(dir / "wine/dosdevices");
    ::setenv("WINEPREFIX", (dir / "wine").c_str(), 1);
    return ServiceSocketPath();
  }
  void SetUp() override {
    ASSERT_EQ(RunProcess({kPortd, "install"}).exitCode, 0);
    ASSERT_EQ(RunProcess({kPortd, "enable"}).exitCode, 0);
    ASSERT_TRUE(client_.sec_ConnectService("."));
  }
  void TearDown() override { EXPECT_EQ(RunProcess({kPortd, "disable"}).exitCode, 0); }

  // Creates a connection for port name towards 127.0.0.1:tcpPort; its id.
  int32_t Create(const std::string& name, int tcpPort, const std::string& settings,
                 bool expectInService = true) {
    int32_t id = -1;
    EXPECT_TRUE(client_.sec_CreateConnection(1, &id));
    for (const auto& [key, value] :
         ConnectionParameters(name, "127.0.0.1", std::to_string(tcpPort), settings)) {
      EXPECT_TRUE(client_.sec_SetParam(id, key, value)) << key;
    }
    client_.sec_SetParam(id, "network.nagle.enable", SecValue::I4(0));
    EXPECT_EQ(client_.sec_AddConnectionService(id), expectInService ? 1 : 0) << name;
    return id;
  }
  bool LinkUp(bool want) {
    const auto end = Clock::now() + std::chrono::seconds(20);
    const std::string needle = want ? "\"linkUp\":true" : "\"linkUp\":false";
    std::string status;
    while (Clock::now() < end) {
      if (client_.Status(&status) && status.find(needle) != std::string::npos) return true;
      ::poll(nullptr, 0, 10);  // sampling the service's state, bounded above
    }
    return false;
  }

  TempDir dir_;
  SecClient client_{OwnRuntime(dir_)};
};

// The port opened as a serial program does, in raw mode.
UniqueFd OpenPort(const std::filesystem::path& link) {
  UniqueFd fd(::open(link.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
  termios tio{};
  if (fd.valid() && ::tcgetattr(fd.get(), &tio) == 0) {
    cfmakeraw(&tio);
    ::tcsetattr(fd.get(), TCSANOW, &tio);
  }
  return fd;
}

// Writes out while reading until want bytes came back (default: as many
// as written); what came back before timeoutMs of silence.
std::string Exchange(int fd, const std::string& out, int timeoutMs = 15000,
                     size_t want = std::string::npos) {
  if (want == std::string::npos) want = out.size();
  std::string in;
  size_t sent = 0;
  while (in.size() < want || sent < out.size()) {
    pollfd p{
        fd, static_cast<short>((in.size() < want ? POLLIN : 0) | (sent < out.size() ? POLLOUT : 0)),
        0};
    if (::poll(&p, 1, timeoutMs) <= 0) break;
    if ((p.revents & POLLOUT) && sent < out.size()) {
      ssize_t n = ::write(fd, out.data() + sent, std::min<size_t>(out.size() - sent, 65536));
      if (n > 0) sent += static_cast<size_t>(n);
    }
    if (p.revents & POLLIN) {
      char buf[65536];
      ssize_t n = ::read(fd, buf, sizeof buf);
      if (n > 0) in.append(buf, static_cast<size_t>(n));
    }
  }
  return in;
}

std::string RandomBytes(size_t n) {
  std::mt19937 rng(static_cast<unsigned>(n));
  std::string s(n, '\0');
  for (auto& c : s) c = static_cast<char>(rng());
  return s;
}

TEST_F(PortService, SerialClientReachesTheRemoteByteExactAcrossARestart) {
  EchoServer echo;
  Create("COM3", echo.port(), "19200,E,7,2");
  const auto link = PortsDir() / "COM3";
  ASSERT_EQ(std::filesystem::read_symlink(dir_ / "wine/dosdevices/com3"),
            std::filesystem::read_symlink(link));

  UniqueFd fd(::open(link.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC));
  termios tio{};
  ASSERT_EQ(::tcgetattr(fd.get(), &tio), 0);
  EXPECT_EQ(cfgetospeed(&tio), B19200);
  // Linux pseudo-terminals always read as 8 bits without parity; speed and
  // stop bits are kept.
  EXPECT_TRUE(tio.c_cflag & CSTOPB);
  fd.Reset();

  fd = OpenPort(link);
  ASSERT_TRUE(LinkUp(true));
  for (size_t size : {size_t{1}, size_t{4096}, size_t{8} << 20}) {
    const std::string data = RandomBytes(size);
    EXPECT_TRUE(Exchange(fd.get(), data) == data) << size << " bytes";
  }

  // The remote goes away; what the program writes meanwhile waits in the
  // service and arrives in order once the remote is back.
  const int port = echo.port();
  echo.Stop();
  ASSERT_TRUE(LinkUp(false));
  fd.Reset();  // the program closes and reopens the port meanwhile
  fd = OpenPort(link);
  const std::string whileDown = RandomBytes(300000);
  EXPECT_EQ(Exchange(fd.get(), whileDown, 15000, 0), "");
  ASSERT_TRUE(echo.Start(port));
  EXPECT_TRUE(Exchange(fd.get(), "", 20000, whileDown.size()) == whileDown)
      << "bytes written while the link was down were lost or reordered";
}

TEST_F(PortService, BadRequestsFailCleanlyAndLeaveOtherConnectionsAlone) {
  EchoServer echo;
  Create("COM4", echo.port(), "9600,N,8,1");
  UniqueFd fd = OpenPort(PortsDir() / "COM4");
  ASSERT_TRUE(LinkUp(true));

  Create("COMX", echo.port(), "9600,N,8,1", false);
  Create("COM4", echo.port(), "9600,N,8,1", false);  // name in service already
  Create("COM5", echo.port(), "9600,Q,8,1", false);
  int32_t id = -1;
  ASSERT_TRUE(client_.sec_CreateConnection(1, &id));
  EXPECT_TRUE(client_.sec_SetParam(id, "port.name", SecValue::Text("COM6")));
  EXPECT_TRUE(client_.sec_SetParam(id, "network.host", SecValue::Text("127.0.0.1:1")));
  EXPECT_FALSE(client_.sec_AddConnectionService(id));
  SecValue v;
  EXPECT_FALSE(client_.sec_GetParam(999, "name", &v));
  EXPECT_FALSE(client_.sec_DeleteConnection(999));
  EXPECT_FALSE(client_.sec_ConnectService("otherhost"));

  // A client that sends half a request and vanishes, and one that sends
  // garbage, harm nobody.
  {
    SecClient rude(ServiceSocketPath(), 200);
    ASSERT_TRUE(rude.sec_ConnectService("."));
  }
  ProcessResult junk =
      RunProcess({"python3", "-c",
                  "import socket,sys; s=socket.socket(socket.AF_UNIX); s.connect(sys.argv[1]);"
                  "s.sendall(b'{\"op\":\"set\",\"id\":1,\"value\":{\"a\":[[[['); s.close()",
                  ServiceSocketPath().string()});
  EXPECT_EQ(junk.exitCode, 0);
  EXPECT_EQ(Exchange(fd.get(), "still here"), "still here");
  EXPECT_TRUE(std::filesystem::is_symlink(PortsDir() / "COM4"));
  EXPECT_FALSE(std::filesystem::exists(PortsDir() / "COMX"));

  // The tool's delete by name removes the port and its links.
  ASSERT_TRUE(client_.sec_SetParam(1, "name", SecValue::Text("ORBO_COM")));
  fd.Reset();
  EXPECT_EQ(RunProcess({kPortd, "delete", "ORBO_COM"}).exitCode, 0);
  EXPECT_FALSE(std::filesystem::exists(PortsDir() / "COM4"));
  EXPECT_FALSE(std::filesystem::is_symlink(dir_ / "wine/dosdevices/com4"));
}

TEST_F(PortService, CliCreatesListsAndDeletes) {
  EchoServer echo;
  const std::string cli = std::string(ORBO_APP_DIR) + "/orbo-cli";
  ProcessResult made = RunProcess(
      {cli, "vcom", "create", "--host", "127.0.0.1", "--port", std::to_string(echo.port())});
  ASSERT_EQ(made.exitCode, 0) << made.err;
  ProcessResult status = RunProcess({cli, "vcom", "status", "--json"});
  ASSERT_EQ(status.exitCode, 0);
  for (const char* field :
       {"\"id\":", "\"name\":\"COM2\"", "\"port.name\":\"COM2\"", "\"network.host\":[\"127.0.0.1\"",
        "\"port.settings\":\"9600,N,8,1\"", "\"path\":"}) {
    EXPECT_NE(status.out.find(field), std::string::npos) << field << " in " << status.out;
  }
  EXPECT_EQ(RunProcess({cli, "vcom", "create", "--host", "h", "--port", "70000"}).exitCode, 2);
  // A baud rate without a terminal constant, and both protocols.
  made = RunProcess({cli, "vcom", "create", "--host", "127.0.0.1", "--port",
                     std::to_string(echo.port()), "--name", "COM3", "--settings", "14400,n,8,1",
                     "--protocol", "RFC2217"});
  ASSERT_EQ(made.exitCode, 0) << made.err;
  EXPECT_NE(made.out.find("\"port.settings\":\"14400,n,8,1\",\"network.host\""), std::string::npos)
      << made.out;
  EXPECT_NE(made.out.find("\"inService\":true"), std::string::npos) << made.out;
  EXPECT_NE(made.out.find("\"protocol\":\"RFC2217\""), std::string::npos) << made.out;
  for (const std::vector<std::string>& bad :
       {std::vector<std::string>{"--settings", "0,N,8,1"}, {"--protocol", "telnet"}}) {
    std::vector<std::string> args = {cli, "vcom", "create", "--host", "127.0.0.1", "--port", "9"};
    args.insert(args.end(), bad.begin(), bad.end());
    EXPECT_EQ(RunProcess(args).exitCode, 2) << bad[1];
  }
  status = RunProcess({cli, "vcom", "status"});
  EXPECT_NE(status.out.find("traffic: "), std::string::npos) << status.out;
  EXPECT_NE(status.out.find("RFC 2217: "), std::string::npos) << status.out;
  EXPECT_EQ(RunProcess({cli, "vcom", "delete", "COM3"}).exitCode, 0);
  EXPECT_EQ(RunProcess({cli, "vcom", "delete", "COM2"}).exitCode, 0);
  EXPECT_EQ(RunProcess({cli, "vcom", "delete", "COM2"}).exitCode, 1);
  EXPECT_FALSE(std::filesystem::exists(PortsDir() / "COM2"));
}

}  // namespace
}  // namespace orbo::test
