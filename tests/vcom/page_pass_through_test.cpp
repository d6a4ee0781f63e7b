// One page session through orbo-cli page that owns the virtual port: the
// start-up installs and starts the service, command 7 re-creates the port
// towards a TCP echo server (serial) and then starts the relay (TCP),
// command 8 ends each, and the port is gone when the session ends.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <termios.h>

#include <gtest/gtest.h>

#include "base/base64.h"
#include "support/child_process.h"
#include "support/echo_server.h"
#include "support/page_host.h"
#include "support/temp_dir.h"

namespace orbo::test {
namespace {

constexpr int kPatience = 60000;

// Writes text to fd and reads as many bytes back (10 s at most).
std::string Echoed(int fd, const std::string& text) {
  if (::write(fd, text.data(), text.size()) != static_cast<ssize_t>(text.size())) return "";
  std::string in;
  char buf[4096];
  while (in.size() < text.size()) {
    pollfd p{fd, POLLIN, 0};
    if (::poll(&p, 1, 10000) <= 0) break;
    ssize_t n = ::read(fd, buf, sizeof buf);
    if (n <= 0) break;
    in.append(buf, static_cast<size_t>(n));
  }
  return in;
}

TEST(PagePassThrough, SerialThenRelayThenBackAndThePortEndsWithTheSession) {
  TempDir dir;
  dir.Write("app/SoftLang.ini", "[HMI]\noem=0\nfirst=1\nlang=en\nVirCom=COM7\n");
  dir.Write("app/html/i18n/strings_en.properties",
            Base64Encode("installing_server=Installing\nenable_server=Enabling\n"
                         "install_server_success=Installed\nstatu_ready=Ready\n"
                         "create_error=No port\nalert_title=Alert\n"));
  std::filesystem::create_symlink(std::string(ORBO_APP_DIR) + "/orbo-portd",
                                  dir / "app/orbo-portd");
  std::filesystem::create_directories(dir / "run");
  const std::vector<std::string> env = {"XDG_RUNTIME_DIR=" + (dir / "run").string(),
                                        "WINEPREFIX=" + (dir / "no-wine").string()};
  const auto link = dir / "run/orbo/ports/COM7";
  EchoServer echo;
  {
    ChildOptions options;
    options.inputPipe = true;
    options.setEnv = env;
    ChildProcess host(
        {std::string(ORBO_APP_DIR) + "/orbo-cli", "page", "--app-dir", (dir / "app").string()},
        options);
    // Start-up: the service is installed and started, the port made.
    for (const char* text : {"Installing", "Enabling", "Installed", "Ready"}) {
      ASSERT_EQ(host.WaitForLine("{\"status\":", kPatience),
                std::string("{\"status\":\"") + text + "\"}")
          << JoinLines(host.Lines());
    }
    ASSERT_TRUE(std::filesystem::is_symlink(link));

    // Serial pass-through to the echo server: a serial program's bytes
    // reach it through the re-created port.
    host.Send(PageCall("7", "{\"url\":\"127.0.0.1:" + std::to_string(echo.port()) +
                                "\",\"baudrate\":\"19200\",\"check_bit\":\"NONE\","
                                "\"data_length\":8}"));
    ASSERT_EQ(host.WaitForLine("{\"result\":", kPatience), "{\"result\":0}");
    {
      UniqueFd port(::open(link.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC));
      termios tio{};
      ASSERT_EQ(::tcgetattr(port.get(), &tio), 0);
      EXPECT_EQ(cfgetospeed(&tio), B19200);
      cfmakeraw(&tio);
      ::tcsetattr(port.get(), TCSANOW, &tio);
      EXPECT_EQ(Echoed(port.get(), "serial through the box"), "serial through the box");
    }
    host.Send(PageCall("8", ""));
    ASSERT_EQ(host.WaitForLine("{\"result\":", kPatience), "{\"result\":0}");
    const int accepted = echo.accepted();

    // TCP pass-through: the relay on 127.0.0.1 joins a client to the echo
    // server; command 8 stops it.
    const int local = FreeLoopbackPort();
    host.Send(PageCall("7", "{\"type\":\"1\",\"url\":\"127.0.0.1:" + std::to_string(echo.port()) +
                                "\",\"e_port\":" + std::to_string(local) + "}"));
    ASSERT_EQ(host.WaitForLine("{\"result\":", kPatience), "{\"result\":0}");
    {
      UniqueFd client = ConnectLoopback(local);
      ASSERT_TRUE(client.valid());
      EXPECT_EQ(Echoed(client.get(), "relay"), "relay");
      EXPECT_EQ(echo.accepted(), accepted + 1);
    }
    host.Send(PageCall("8", ""));
    ASSERT_EQ(host.WaitForLine("{\"result\":", kPatience), "{\"result\":0}");
    EXPECT_FALSE(ConnectLoopback(local).valid());
    EXPECT_TRUE(std::filesystem::is_symlink(link));  // the serial port stays

    host.CloseInput();
    EXPECT_EQ(host.Wait(kPatience), 0);
  }
  EXPECT_FALSE(std::filesystem::exists(link)) << "the port outlived the session";
  ChildOptions quiet;
  quiet.setEnv = env;
  ChildProcess disable({std::string(ORBO_APP_DIR) + "/orbo-portd", "disable"}, quiet);
  EXPECT_EQ(disable.Wait(kPatience), 0);
}

}  // namespace
}  // namespace orbo::test
