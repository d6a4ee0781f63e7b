// The box link against the simulated box, over TCP and over the USB report
// socket: the command exchange, file transfers both ways and every fault the
// simulator can inject.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>

#include <cstdio>
#include <filesystem>
#include <memory>

#include "base/unique_fd.h"
#include "formats/crypto/digest.h"
#include "link/box_link.h"
#include "link/file_transfer.h"
#include "platform/linux/hid_backends.h"
#include "support/box_sim.h"
#include "support/fake_sleeper.h"
#include "support/loopback_address.h"
#include "support/temp_dir.h"

namespace orbo {
namespace {

using test::BoxSim;
using test::FakeSleeper;
using test::TempDir;

enum class Via { kTcp, kUsb };

std::string Pattern(size_t n, unsigned seed = 7) {
  std::string s(n, '\0');
  for (size_t i = 0; i < n; ++i) s[i] = static_cast<char>((i * 31 + seed + i / 977) & 0xFF);
  return s;
}

std::string FileMd5(const std::filesystem::path& path) {
  std::string hex;
  Md5FileHex(path, &hex);
  return hex;
}

// One simulator, one link to it, and a page that records what it is shown.
class Rig {
 public:
  Rig(Via via, std::vector<std::string> sim_args = {}, const std::string& profile = {},
      BoxLinkOptions options = Shortened())
      : via_(via),
        sim_(dir_.path(), {.args = std::move(sim_args), .profileJson = profile}),
        hid_(MakeSeqpacketBackend(sim_.usb_path())),
        link_(hid_.get(), sleeper_, options) {}

  // Waits that a silent box makes the link sit out, kept short for tests.
  static BoxLinkOptions Shortened() {
    BoxLinkOptions o;
    o.tcp.io_ms = 1500;
    o.usb.read_ms = 700;
    o.usb.long_read_ms = 1400;
    return o;
  }

  bool Connect() {
    return BuildLink(link_, via_ == Via::kUsb ? "USB:Download" : "LocalNetwork", sim_.address(),
                     kBoxPort);
  }
  bool Send(std::string_view content, std::string_view box_name, std::string digest_override = {}) {
    auto path = dir_.Write("outgoing.bin", content);
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"),
                                                         std::fclose);
    std::string digest = digest_override.empty() ? FileMd5(path) : digest_override;
    return SendFile(link_, box_name, file.get(), digest);
  }
  FetchOutcome Fetch(std::string_view box_name, std::string_view password,
                     const std::filesystem::path& local) {
    return FetchFile(link_, box_name, password, local);
  }
  std::string Stored(std::string_view name) const {
    std::filesystem::path p = sim_.store_dir() / name;
    return std::filesystem::exists(p) ? test::ReadAll(p) : std::string("<missing>");
  }
  std::vector<std::string> FilesIn(const std::filesystem::path& folder) const {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(folder)) {
      names.push_back(e.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
  }

  TempDir dir_;
  Via via_;
  BoxSim sim_;
  std::unique_ptr<HidBackend> hid_;
  FakeSleeper sleeper_;
  BoxLink link_;
};

class LinkE2e : public ::testing::TestWithParam<Via> {};

INSTANTIATE_TEST_SUITE_P(Transports, LinkE2e, ::testing::Values(Via::kTcp, Via::kUsb),
                         [](const auto& info) {
                           return std::string(info.param == Via::kTcp ? "Tcp" : "Usb");
                         });

TEST_P(LinkE2e, IdentificationCommands) {
  Rig rig(GetParam(), {}, R"({"hmiType":"OP-S70","serial":"SN-77-A","mode":2})");
  ASSERT_TRUE(rig.sim_.ready());
  ASSERT_TRUE(rig.Connect());
  ReplyBuffer type, serial, mode;
  EXPECT_TRUE(rig.link_.SendCommand("GetHMIType\r", &type));
  EXPECT_TRUE(rig.link_.SendCommand("GetRmtSN\r\n", &serial));
  EXPECT_TRUE(rig.link_.SendCommand("GetBoxMode\r\n", &mode));
  EXPECT_EQ(type.Text(), "OP-S70");
  EXPECT_EQ(serial.Text(), "SN-77-A");
  EXPECT_EQ(mode.Text(), "Mode=2");
  EXPECT_EQ(rig.sim_.Commands(),
            (std::vector<std::string>{"GetHMIType\r", "GetRmtSN\r\n", "GetBoxMode\r\n"}));
  // Each exchange ends with its 300 ms pause. Over TCP part of it went on
  // waiting for more of the reply (the reply gap); a report is whole.
  ASSERT_EQ(rig.sleeper_.pauses().size(), 3u);
  for (int64_t pause : rig.sleeper_.pauses()) {
    if (GetParam() == Via::kUsb) {
      EXPECT_EQ(pause, 300);
    } else {
      EXPECT_LE(pause, 300 - BoxLinkOptions{}.reply_gap_ms);
    }
  }
}

TEST_P(LinkE2e, ReplyRulesErrorSilenceAndNoReplyBuffer) {
  Rig rig(GetParam(), {"--error", "GetRmtSN", "--silent", "GetBoxMode"});
  ASSERT_TRUE(rig.sim_.ready());
  ASSERT_TRUE(rig.Connect());
  ReplyBuffer serial, mode, zone;
  EXPECT_FALSE(rig.link_.SendCommand("GetRmtSN\r\n", &serial));
  EXPECT_EQ(serial.Text(), "ERROR\r");
  EXPECT_FALSE(rig.link_.SendCommand("GetBoxMode\r\n", &mode));  // five reads, nothing
  EXPECT_TRUE(mode.Text().empty());
  EXPECT_TRUE(rig.link_.SendCommand("Light\r", nullptr));
  EXPECT_TRUE(rig.link_.SendCommand("SetTZ Europe/Berlin\r", &zone));
  EXPECT_EQ(zone.Text(), "OK\r");
  EXPECT_EQ(rig.sim_.Commands().back(), "SetTZ Europe/Berlin\r");
  EXPECT_EQ(rig.sim_.Commands()[2], "Light\r");
}

TEST_P(LinkE2e, BoxStateCommands) {
  Rig rig(GetParam(), {}, R"({"networkText":"eth0:0,ip:10.1.2.3\n,ping:40ms\n;"})");
  ASSERT_TRUE(rig.sim_.ready());
  ASSERT_TRUE(rig.Connect());
  ReplyBuffer a, b, c, d, e;
  EXPECT_TRUE(rig.link_.SendCommand("SetTZ Asia/Tokyo\r", &a));
  EXPECT_EQ(a.Text(), "OK\r");
  EXPECT_TRUE(rig.link_.SendCommand("SetTZ Asia/Tokyo\r", &b));
  EXPECT_EQ(b.Text(), "END\r");
  EXPECT_TRUE(rig.link_.SendCommand("SetBoxMode 4\r\n", &c));
  EXPECT_TRUE(rig.link_.SendCommand("GetBoxMode\r\n", &d));
  EXPECT_EQ(d.Text(), "Mode=4");
  EXPECT_TRUE(rig.link_.SendCommand("TestNetwork\r\n", &e));
  EXPECT_EQ(e.Text(), "eth0:0,ip:10.1.2.3\n,ping:40ms\n;");
}

TEST_P(LinkE2e, OlderOrFailingBoxAnswers) {
  Rig rig(GetParam(), {"--tz-reply", "fail"}, R"({"networkJson":null,"versionPrefix":"ab!?"})");
  ASSERT_TRUE(rig.sim_.ready());
  ASSERT_TRUE(rig.Connect());
  ReplyBuffer net, zone;
  EXPECT_FALSE(rig.link_.SendCommand("TestNetworkJson\r\n", &net));
  EXPECT_EQ(net.Text(), "ERROR\r");
  EXPECT_TRUE(rig.link_.SendCommand("SetTZ UTC\r", &zone));
  EXPECT_EQ(zone.Text(), "setTZ fail");
  int64_t n = 0;
  ASSERT_TRUE(rig.link_.Write("GetAllVersion\r", 14, &n));
  char prefix[5] = {};
  rig.link_.Read(prefix, 4, &n);
  EXPECT_STREQ(prefix, "ab!?");
}

TEST_P(LinkE2e, DelayedReplyArrivesOnALaterRead) {
  // 1000 ms before each reply: over USB the first read (700 ms) times out
  // and the second brings it.
  Rig rig(GetParam(), {"--delay", "1000"});
  ASSERT_TRUE(rig.sim_.ready());
  ASSERT_TRUE(rig.Connect());
  ReplyBuffer reply;
  EXPECT_TRUE(rig.link_.SendCommand("GetHMIType\r", &reply));
  EXPECT_EQ(reply.Text(), "OP-X70");
}

TEST_P(LinkE2e, SendFileOfEdgeSizes) {
  Rig rig(GetParam());
  ASSERT_TRUE(rig.sim_.ready());
  ASSERT_TRUE(rig.Connect());
  for (size_t size : {size_t{0}, size_t{3}, size_t{2500}, size_t{102400}, size_t{102401}}) {
    SCOPED_TRACE(size);
    const std::string name = "file" + std::to_string(size);
    const std::string content = Pattern(size);
    EXPECT_TRUE(rig.Send(content, name));
    EXPECT_EQ(rig.Stored(name), content);
  }
}

TEST_P(LinkE2e, SendFileAcknowledgementSequences) {
  struct Case {
    const char* acks;
    bool expected;
  } cases[] = {
      {R"(["ERROR\r","ERROR\r","okok!\r","okok!\r","okokok!"])", false},
      {R"(["ERROR\r","okok!\r","okok!\r","okokok!"])", true},
      {R"(["okok!\r","okok!\r","END"])", true},
      {R"(["okok!\r","okok!\r","timeout"])", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.acks);
    Rig rig(GetParam(), {}, std::string(R"({"acks":)") + c.acks + "}");
    ASSERT_TRUE(rig.sim_.ready());
    ASSERT_TRUE(rig.Connect());
    EXPECT_EQ(rig.Send("<setup/>", "setup.xml"), c.expected);
  }
}

TEST_P(LinkE2e, SendFileWithWrongDigestIsRejectedByTheBox) {
  Rig rig(GetParam());
  ASSERT_TRUE(rig.sim_.ready());
  ASSERT_TRUE(rig.Connect());
  EXPECT_FALSE(rig.Send("payload", "setup.xml", std::string(32, 'f')));
  EXPECT_EQ(rig.Stored("setup.xml"), "<missing>");
}

TEST_P(LinkE2e, FloodOfUnrelatedTextBeforeAcknowledgements) {
  Rig rig(GetParam(), {"--flood", "NOISE!", "--flood-count", "25"});
  ASSERT_TRUE(rig.sim_.ready());
  ASSERT_TRUE(rig.Connect());
  const std::string content = Pattern(5000);
  EXPECT_TRUE(rig.Send(content, "cloudprj.kzrp"));
  EXPECT_EQ(rig.Stored("cloudprj.kzrp"), content);
}

TEST_P(LinkE2e, ConnectionDroppedMidSend) {
  Rig rig(GetParam(), {"--drop-after", "150000"});
  ASSERT_TRUE(rig.sim_.ready());
  ASSERT_TRUE(rig.Connect());
  EXPECT_FALSE(rig.Send(Pattern(300000), "cloudprj.kzrp"));
  EXPECT_EQ(rig.Stored("cloudprj.kzrp"), "<missing>");
}

TEST_P(LinkE2e, FetchFileOutcomes) {
  const std::string profile = R"({"password":"1234","files":{
      "setup.xml":{"content":"<setup><a b=\"1\"/></setup>"},
      "cloudprj.kzrp":{"content":"PROJECT-BYTES"}}})";
  Rig rig(GetParam(), {}, profile);
  ASSERT_TRUE(rig.sim_.ready());
  ASSERT_TRUE(rig.Connect());
  const auto local = rig.dir_ / "fetched" / "setup.xml";
  std::filesystem::create_directories(local.parent_path());

  EXPECT_EQ(rig.Fetch("setup.xml", "", local), FetchOutcome::kSuccess);
  EXPECT_EQ(test::ReadAll(local), "<setup><a b=\"1\"/></setup>");

  const auto project = rig.dir_ / "fetched" / "mine.kzrp";
  test::WriteAll(project, "kept");
  EXPECT_EQ(rig.Fetch("cloudprj.kzrp", "wrong", project), FetchOutcome::kPasswordInvalid);
  EXPECT_EQ(test::ReadAll(project), "kept");
  EXPECT_EQ(rig.Fetch("cloudprj.kzrp", "1234", project), FetchOutcome::kSuccess);
  EXPECT_EQ(test::ReadAll(project), "PROJECT-BYTES");
  EXPECT_EQ(rig.sim_.Commands(),
            (std::vector<std::string>{"Upload setup.xml \r", "Upload cloudprj.kzrp wrong\r",
                                      "Upload cloudprj.kzrp 1234\r"}));
  EXPECT_EQ(rig.FilesIn(local.parent_path()), (std::vector<std::string>{"mine.kzrp", "setup.xml"}));
}

TEST_P(LinkE2e, FetchRefusedWhenProhibited) {
  Rig rig(GetParam(), {}, R"({"uploadProhibited":true,"files":{"setup.xml":"x"}})");
  ASSERT_TRUE(rig.sim_.ready());
  ASSERT_TRUE(rig.Connect());
  const auto local = rig.dir_ / "setup.xml";
  EXPECT_EQ(rig.Fetch("setup.xml", "", local), FetchOutcome::kProhibited);
  EXPECT_FALSE(std::filesystem::exists(local));
}

TEST_P(LinkE2e, FetchWithWrongDigestOrDropKeepsTheOldFile) {
  const std::string profile = R"({"files":{"cloudprj.kzrp":{"path":")" +
                              (std::string(ORBO_SOURCE_DIR) + "/CMakeLists.txt") + R"("}}})";
  for (const std::vector<std::string>& fault : {std::vector<std::string>{"--wrong-digest"},
                                                std::vector<std::string>{"--drop-after", "700"}}) {
    SCOPED_TRACE(fault[0]);
    Rig rig(GetParam(), fault, profile);
    ASSERT_TRUE(rig.sim_.ready());
    ASSERT_TRUE(rig.Connect());
    const auto local = rig.dir_ / "out" / "project.kzrp";
    std::filesystem::create_directories(local.parent_path());
    test::WriteAll(local, "previous project");
    EXPECT_EQ(rig.Fetch("cloudprj.kzrp", "", local), FetchOutcome::kFailed);
    EXPECT_EQ(test::ReadAll(local), "previous project");
    EXPECT_EQ(rig.FilesIn(local.parent_path()), std::vector<std::string>{"project.kzrp"});
  }
}

TEST_P(LinkE2e, ResetMakesTheBoxUnreachableForAWhile) {
  Rig rig(GetParam(), {"--reset-ms", "3000"});
  ASSERT_TRUE(rig.sim_.ready());
  ASSERT_TRUE(rig.Connect());
  ReplyBuffer reply;
  EXPECT_TRUE(rig.link_.SendCommand("reset\r", &reply));
  // While it is down nothing accepts; then it comes back.
  ASSERT_TRUE(rig.sim_.WaitLine("orbo-boxsim down", 20000));
  EXPECT_FALSE(rig.Connect());
  ASSERT_TRUE(rig.sim_.WaitReady(20000));
  ASSERT_TRUE(rig.Connect());
  ReplyBuffer type;
  EXPECT_TRUE(rig.link_.SendCommand("GetHMIType\r", &type));
}

TEST_P(LinkE2e, FirmwareFileUpdatesTheVersionList) {
  Rig rig(GetParam(), {},
          R"({"versions":["fsFLASHVER:V1.2.0-P:FS","OSVER:V2.0.0"],
              "firmwareUpdates":{"fsFLASH":["fsFLASHVER:V1.10.0-P:FS"],"update":["OSVER:V2.1.0"]}})");
  ASSERT_TRUE(rig.sim_.ready());
  ASSERT_TRUE(rig.Connect());
  ASSERT_TRUE(rig.Send(Pattern(4000), "fsFLASH"));
  int64_t n = 0;
  ASSERT_TRUE(rig.link_.Write("GetAllVersion\r", 14, &n));
  char prefix[5] = {};
  rig.link_.Read(prefix, 4, &n);
  const std::string expected = "fsFLASHVER:V1.10.0-P:FS\r\nOSVER:V2.0.0\r\n";
  EXPECT_EQ(std::string(prefix), "0039");
  std::string list(4096, '\0');
  size_t got = 0;
  while (got < expected.size()) {
    if (!rig.link_.Read(list.data() + got, expected.size() - got, &n) || n <= 0) break;
    got += static_cast<size_t>(n);
  }
  EXPECT_EQ(list.substr(0, got), expected);
}

TEST(LinkE2eDiscovery, AnswersGetHostNameOverUdp) {
  TempDir dir;
  BoxSim sim(dir.path(), {.profileJson = R"({"hostName":"BOX-42"})"});
  ASSERT_TRUE(sim.ready());
  UniqueFd fd(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0));
  sockaddr_in to{};
  to.sin_family = AF_INET;
  to.sin_port = htons(8767);
  ::inet_pton(AF_INET, sim.address().c_str(), &to.sin_addr);
  ASSERT_EQ(
      ::sendto(fd.get(), "GetHostName\r", 12, 0, reinterpret_cast<sockaddr*>(&to), sizeof(to)), 12);
  pollfd p{fd.get(), POLLIN, 0};
  ASSERT_EQ(::poll(&p, 1, 20000), 1);
  char buf[64] = {};
  ASSERT_GT(::recv(fd.get(), buf, sizeof(buf) - 1, 0), 0);
  EXPECT_STREQ(buf, "BOX-42");
}

TEST(LinkE2eConnect, NothingListeningFailsQuickly) {
  FakeSleeper sleeper;
  BoxLink link(nullptr, sleeper);
  // A fresh loopback address nobody listens on: refused at once.
  EXPECT_FALSE(BuildLink(link, "LocalNetwork", test::UniqueLoopbackAddress(), kBoxPort));
  auto hid = MakeSeqpacketBackend("/nonexistent/usb.sock");
  BoxLink usb(hid.get(), sleeper);
  EXPECT_FALSE(BuildLink(usb, "USB:Download", "", kBoxPort));
}

}  // namespace
}  // namespace orbo
