// bench-libs: orbo_vcom orbo_echo_server
// The port's data paths on loopback, each beside a program neither of us
// wrote, with figures printed (the load average is printed with them):
//   relay: socat -> relay -> socat, against socat -> socat directly (and
//     socat's own relay in the middle), every byte checked
//   pty: pty->TCP and TCP->pty, against "socat PTY,link=...,raw,echo=0
//     TCP:...", and with "orbo-cli vcom monitor" attached
//   rfc2217: pty->ser2net->pty and back, RFC 2217 against RAW (ser2net's
//     telnet(rfc2217) and tcp accepters in front of socat pty pairs)
//   rtt: one-byte round trip through the port, added to a direct TCP one
//   cycles: 1000 open/close cycles of the port and 1000 connect/close
//     cycles through the relay: descriptors, threads and memory
// Usage: bench_vcom [MiB per run, default 1024] [relay|pty|rfc2217|rtt|cycles ...]
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <cjson/cJSON.h>

#include "base/unique_fd.h"
#include "support/echo_server.h"
#include "vcom/port_parameters.h"
#include "vcom/port_paths.h"
#include "vcom/relay.h"
#include "vcom/sec_client.h"

extern char** environ;

namespace {

using orbo::UniqueFd;
using orbo::test::EchoServer;
using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;

constexpr size_t kBlock = 1 << 20;

// A repeating random block: a byte's value depends on its offset, so a
// reader checks what arrives without keeping a copy.
struct Pattern {
  std::vector<char> block = std::vector<char>(kBlock + 65537);
  Pattern() {
    std::mt19937 rng(7);
    for (size_t i = 0; i < kBlock; ++i) block[i] = static_cast<char>(rng());
    std::memcpy(block.data() + kBlock, block.data(), block.size() - kBlock);
  }
  // Bytes [offset, offset+n) of the stream (n <= 65536).
  const char* At(uint64_t offset) const { return block.data() + offset % kBlock; }
  bool Check(uint64_t offset, const char* data, size_t n) const {
    while (n > 0) {
      size_t run = std::min<size_t>(n, 65536);
      if (std::memcmp(At(offset), data, run) != 0) return false;
      offset += run;
      data += run;
      n -= run;
    }
    return true;
  }
};
const Pattern kPattern;

double Seconds(Clock::time_point since) {
  return std::chrono::duration<double>(Clock::now() - since).count();
}

// Connects, retrying while a freshly started program gets ready.
UniqueFd Connect(int port, int waitMs = 5000) {
  const auto end = Clock::now() + std::chrono::milliseconds(waitMs);
  for (;;) {
    if (UniqueFd fd = orbo::test::ConnectLoopback(port); fd.valid()) return fd;
    if (Clock::now() > end) return UniqueFd();
    ::poll(nullptr, 0, 5);
  }
}

bool WaitFor(const fs::path& path, int waitMs = 5000) {
  const auto end = Clock::now() + std::chrono::milliseconds(waitMs);
  while (!fs::exists(path)) {
    if (Clock::now() > end) return false;
    ::poll(nullptr, 0, 5);
  }
  return true;
}

// Writes total pattern bytes to fd.
bool Produce(int fd, uint64_t total) {
  for (uint64_t off = 0; off < total;) {
    size_t n = static_cast<size_t>(std::min<uint64_t>(65536, total - off));
    ssize_t w = ::write(fd, kPattern.At(off), n);
    if (w < 0 && errno == EINTR) continue;
    if (w <= 0) return false;
    off += static_cast<uint64_t>(w);
  }
  return true;
}

// Reads and checks total pattern bytes from fd; false on a mismatch or end.
bool Consume(int fd, uint64_t total) {
  std::vector<char> buf(256 * 1024);
  for (uint64_t off = 0; off < total;) {
    ssize_t n =
        ::read(fd, buf.data(), static_cast<size_t>(std::min<uint64_t>(buf.size(), total - off)));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0 || !kPattern.Check(off, buf.data(), static_cast<size_t>(n))) return false;
    off += static_cast<uint64_t>(n);
  }
  return true;
}

// Where a child's standard input and output go (-1: /dev/null), and a
// descriptor it gets as 3.
struct ChildIo {
  int in = -1;
  int out = -1;
  int ready = -1;
  const char* errFile = nullptr;  // standard error appended there (else inherited)
};

struct Child {
  pid_t pid = -1;
  explicit Child(std::vector<std::string> args, ChildIo io = {}) {
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    if (io.in >= 0) {
      posix_spawn_file_actions_adddup2(&fa, io.in, 0);
    } else {
      posix_spawn_file_actions_addopen(&fa, 0, "/dev/null", O_RDONLY, 0);
    }
    if (io.out >= 0) {
      posix_spawn_file_actions_adddup2(&fa, io.out, 1);
    } else {
      posix_spawn_file_actions_addopen(&fa, 1, "/dev/null", O_WRONLY, 0);
    }
    if (io.errFile != nullptr) {
      posix_spawn_file_actions_addopen(&fa, 2, io.errFile, O_WRONLY | O_CREAT | O_APPEND, 0600);
    }
    if (io.ready >= 0) posix_spawn_file_actions_adddup2(&fa, io.ready, 3);
    if (posix_spawnp(&pid, argv[0], &fa, nullptr, argv.data(), environ) != 0) pid = -1;
    posix_spawn_file_actions_destroy(&fa);
  }
  ~Child() {
    if (pid > 0) {
      ::kill(pid, SIGTERM);
      ::waitpid(pid, nullptr, 0);
    }
  }
};

// True once something listens on 127.0.0.1:port (read from /proc, so the
// check takes no connection away from a program that accepts only one).
bool WaitListening(int port, int waitMs = 5000) {
  char needle[32];
  std::snprintf(needle, sizeof needle, "0100007F:%04X", port);
  const auto end = Clock::now() + std::chrono::milliseconds(waitMs);
  while (Clock::now() < end) {
    std::ifstream tcp("/proc/net/tcp");
    std::string line;
    while (std::getline(tcp, line)) {
      if (line.find(needle) != std::string::npos && line.find(" 0A ") != std::string::npos) {
        return true;
      }
    }
    ::poll(nullptr, 0, 5);
  }
  return false;
}

std::string LoadAverage() {
  std::ifstream in("/proc/loadavg");
  std::string one, five, fifteen;
  in >> one >> five >> fifteen;
  return one + " " + five + " " + fifteen;
}

// Sends total bytes into `in` and times their arrival, checked, at `out`.
double Throughput(int in, int out, uint64_t total, bool* exact) {
  const auto start = Clock::now();
  std::thread writer([&] { Produce(in, total); });
  *exact = Consume(out, total);
  const double s = Seconds(start);
  if (!*exact) {
    std::printf("bytes lost or changed; stopping\n");
    std::_Exit(1);
  }
  writer.join();
  return static_cast<double>(total) / (1 << 20) / s;
}

// CPU seconds used so far by process pid.
double ProcessCpuSeconds(pid_t pid) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const size_t close = text.rfind(')');
  if (close == std::string::npos) return 0;
  std::istringstream fields(text.substr(close + 2));
  std::string field;
  double ticks = 0;
  for (int i = 3; fields >> field && i <= 15; ++i) {
    if (i == 14 || i == 15) ticks += std::atof(field.c_str());  // utime, stime
  }
  return ticks / static_cast<double>(::sysconf(_SC_CLK_TCK));
}

// CPU seconds used so far by this process and its ended children.
double CpuSeconds() {
  double s = 0;
  for (int who : {RUSAGE_SELF, RUSAGE_CHILDREN}) {
    rusage u{};
    ::getrusage(who, &u);
    s += static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
         static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
  }
  return s;
}

// socat -> [middle] -> socat, fed and drained through pipes by this
// process: middle 0 none (direct), 1 our relay (as it runs: between two
// loopback sockets, its buffer), 2 socat's relay, 3 our relay made to
// splice.
double SocatEnds(int middle, uint64_t total, bool* exact, double* cpu) {
  const double cpu0 = CpuSeconds();
  const int sinkPort = orbo::test::FreeLoopbackPort();
  int outPipe[2], inPipe[2];
  if (::pipe2(outPipe, O_CLOEXEC) != 0 || ::pipe2(inPipe, O_CLOEXEC) != 0) return 0;
  for (int fd : {outPipe[0], inPipe[1]}) ::fcntl(fd, F_SETPIPE_SZ, 1 << 20);
  auto sink = std::make_unique<Child>(
      std::vector<std::string>{
          "socat", "-u", "TCP-LISTEN:" + std::to_string(sinkPort) + ",bind=127.0.0.1,reuseaddr",
          "STDOUT"},
      ChildIo{.out = outPipe[1]});
  ::close(outPipe[1]);
  WaitListening(sinkPort);
  int target = sinkPort;
  orbo::vcom::Relay relay(middle == 3 ? orbo::vcom::Relay::Moving::kSplice
                                      : orbo::vcom::Relay::Moving::kAuto);
  std::unique_ptr<Child> socatRelay;
  if (middle == 1 || middle == 3) {
    target = orbo::test::FreeLoopbackPort();
    relay.Start({target, sinkPort, "127.0.0.1"});
  } else if (middle == 2) {
    target = orbo::test::FreeLoopbackPort();
    socatRelay = std::make_unique<Child>(std::vector<std::string>{
        "socat", "TCP-LISTEN:" + std::to_string(target) + ",bind=127.0.0.1,reuseaddr",
        "TCP:127.0.0.1:" + std::to_string(sinkPort)});
    WaitListening(target);
  }
  auto source = std::make_unique<Child>(
      std::vector<std::string>{"socat", "-u", "STDIN", "TCP:127.0.0.1:" + std::to_string(target)},
      ChildIo{.in = inPipe[0]});
  ::close(inPipe[0]);
  const auto start = Clock::now();
  std::thread writer([&] {
    Produce(inPipe[1], total);
    ::close(inPipe[1]);
  });
  *exact = Consume(outPipe[0], total);
  const double s = Seconds(start);
  writer.join();
  ::close(outPipe[0]);
  // Reaped, so that their time counts.
  source.reset();
  sink.reset();
  socatRelay.reset();
  relay.StopRelay();
  *cpu = CpuSeconds() - cpu0;
  if (!*exact) {
    std::printf("bytes lost or changed; stopping\n");
    std::_Exit(1);
  }
  return static_cast<double>(total) / (1 << 20) / s;
}

UniqueFd OpenRaw(const fs::path& link) {
  UniqueFd fd(::open(link.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC));
  termios tio{};
  ::tcgetattr(fd.get(), &tio);
  cfmakeraw(&tio);
  ::tcsetattr(fd.get(), TCSANOW, &tio);
  return fd;
}

long CountEntries(const fs::path& dir) {
  std::error_code ec;
  long n = 0;
  for (auto it = fs::directory_iterator(dir, ec); !ec && it != fs::directory_iterator(); ++it) ++n;
  return n;
}

long RssKib(pid_t pid) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmRSS:", 0) == 0) return std::atol(line.c_str() + 6);
  }
  return -1;
}

void PrintUse(const char* what, pid_t pid, long fds0, long threads0, long rss0) {
  const fs::path proc = "/proc/" + std::to_string(pid);
  std::printf("%s: fds %ld -> %ld, threads %ld -> %ld, RSS %ld -> %ld KiB\n", what, fds0,
              CountEntries(proc / "fd"), threads0, CountEntries(proc / "task"), rss0, RssKib(pid));
}

// The port service of this run, started in the foreground.
struct Service {
  fs::path dir;
  std::unique_ptr<Child> child;
  std::unique_ptr<orbo::vcom::SecClient> client;
  Service() {
    char tmpl[] = "/tmp/bench_vcom.XXXXXX";
    dir = ::mkdtemp(tmpl);
    ::setenv("XDG_RUNTIME_DIR", dir.c_str(), 1);
    ::setenv("WINEPREFIX", (dir / "no-wine").c_str(), 1);
    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC) != 0) return;
    // Above 3, so that the child's copy on 3 is a real duplicate.
    int ready[2] = {::fcntl(pipeFds[0], F_DUPFD_CLOEXEC, 10),
                    ::fcntl(pipeFds[1], F_DUPFD_CLOEXEC, 10)};
    ::close(pipeFds[0]);
    ::close(pipeFds[1]);
    child = std::make_unique<Child>(
        std::vector<std::string>{
            (fs::read_symlink("/proc/self/exe").parent_path().parent_path() / "app/orbo-portd")
                .string(),
            "run", "--ready-fd", "3"},
        ChildIo{.ready = ready[1], .errFile = (dir / "portd.log").c_str()});
    ::close(ready[1]);
    char b;
    [[maybe_unused]] ssize_t n = ::read(ready[0], &b, 1);
    ::close(ready[0]);
    client = std::make_unique<orbo::vcom::SecClient>(orbo::vcom::ServiceSocketPath());
  }
  ~Service() {
    child.reset();
    fs::remove_all(dir);
  }
  // A port for name towards 127.0.0.1:port; its link.
  fs::path Create(const std::string& name, int port, const std::string& protocol = "RAW") {
    client->sec_ConnectService(".");
    int32_t id = -1;
    client->sec_CreateConnection(1, &id);
    for (const auto& [key, value] : orbo::vcom::ConnectionParameters(
             name, "127.0.0.1", std::to_string(port), "115200,N,8,1", protocol)) {
      client->sec_SetParam(id, key, value);
    }
    client->sec_AddConnectionService(id);
    client->sec_DisconnectService();
    return orbo::vcom::PortsDir() / name;
  }
  // The status member of port name (0 when absent).
  double StatusNumber(const std::string& name, const char* member) {
    std::string text;
    client->sec_ConnectService(".");
    const bool got = client->Status(&text);
    client->sec_DisconnectService();
    double value = 0;
    cJSON* list = got ? cJSON_Parse(text.c_str()) : nullptr;
    const cJSON* c = nullptr;
    cJSON_ArrayForEach(c, list) {
      const cJSON* port = cJSON_GetObjectItemCaseSensitive(c, "port.name");
      const cJSON* v = cJSON_GetObjectItemCaseSensitive(c, member);
      if (cJSON_IsString(port) && port->valuestring == name && cJSON_IsNumber(v))
        value = v->valuedouble;
    }
    cJSON_Delete(list);
    return value;
  }
};

// ser2net in front of two socat pty pairs: a telnet(rfc2217) accepter and
// a plain tcp one, each serving one device; the bench reads and writes the
// pairs' far ends.
struct Ser2net {
  fs::path dir;
  int telnetPort = orbo::test::FreeLoopbackPort();
  int rawPort = orbo::test::FreeLoopbackPort();
  std::unique_ptr<Child> pairs[2];
  std::unique_ptr<Child> daemon;
  explicit Ser2net(const fs::path& folder) : dir(folder) {
    for (int i = 0; i < 2; ++i) {
      const std::string n = std::to_string(i);
      pairs[i] = std::make_unique<Child>(std::vector<std::string>{
          "socat", "PTY,raw,echo=0,link=" + (dir / ("dev" + n + "a")).string(),
          "PTY,raw,echo=0,link=" + (dir / ("dev" + n + "b")).string()});
      WaitFor(dir / ("dev" + n + "b"));
    }
    std::vector<std::string> args = {"ser2net", "-n", "-u"};
    const std::string accepters[2] = {"telnet(rfc2217),tcp,127.0.0.1," + std::to_string(telnetPort),
                                      "tcp,127.0.0.1," + std::to_string(rawPort)};
    for (int i = 0; i < 2; ++i) {
      for (const std::string& line :
           {"connection: &c" + std::to_string(i), "  accepter: " + accepters[i],
            "  connector: serialdev," + (dir / ("dev" + std::to_string(i) + "a")).string() +
                ",115200n81,local"}) {
        args.push_back("-Y");
        args.push_back(line);
      }
    }
    daemon = std::make_unique<Child>(args);
    ok = WaitListening(telnetPort) && WaitListening(rawPort);
  }
  bool ok = false;
  fs::path far(int i) const { return dir / ("dev" + std::to_string(i) + "b"); }
};

// Median one-byte round trip (microseconds) through write/read pairs.
double MedianRoundTripUs(int out, int in, int rounds = 2000) {
  std::vector<double> us;
  char b = 'x';
  for (int i = 0; i < rounds; ++i) {
    const auto t = Clock::now();
    if (::write(out, &b, 1) != 1 || ::read(in, &b, 1) != 1) return -1;
    us.push_back(std::chrono::duration<double, std::micro>(Clock::now() - t).count());
  }
  std::nth_element(us.begin(), us.begin() + rounds / 2, us.end());
  return us[rounds / 2];
}

}  // namespace

int main(int argc, char** argv) {
  ::signal(SIGPIPE, SIG_IGN);
  std::setvbuf(stdout, nullptr, _IOLBF, 0);
  const uint64_t mib = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 1024;
  const uint64_t total = mib << 20;
  const std::vector<std::string> parts(argv + std::min(argc, 2), argv + argc);
  auto want = [&](const char* part) {
    return parts.empty() || std::find(parts.begin(), parts.end(), part) != parts.end();
  };
  std::printf("load average at start: %s\n", LoadAverage().c_str());

  // socat at both ends. Five rounds, each running the four middles one
  // after the other; the ratios are taken within a round (the machine's
  // load drifts between rounds) and their median is reported.
  if (want("relay")) {
    const uint64_t big = std::max<uint64_t>(total, 2048ull << 20);
    double best[4] = {0, 0, 0, 0};
    double cpu[4] = {1e9, 1e9, 1e9, 1e9};
    bool exact = true;
    std::vector<double> ratio[4];
    for (int round = 0; round < 5; ++round) {
      double rate[4];
      for (int middle = 0; middle < 4; ++middle) {
        bool ok = false;
        double used = 0;
        rate[middle] = SocatEnds(middle, big, &ok, &used);
        cpu[middle] = std::min(cpu[middle], used / static_cast<double>(big >> 30));
        exact = exact && ok;
        best[middle] = std::max(best[middle], rate[middle]);
      }
      for (int middle = 1; middle < 4; ++middle) ratio[middle].push_back(rate[middle] / rate[0]);
    }
    for (auto& r : ratio) std::sort(r.begin(), r.end());
    std::printf(
        "socat -> socat %llu MiB (exact %s): direct %.0f MiB/s; through our relay %.0f MiB/s: "
        "%.2fx; our relay made to splice %.0f MiB/s: %.2fx; socat's relay %.0f MiB/s: %.2fx "
        "(best rates, median ratio of 5 rounds). CPU seconds a GiB, all processes: direct %.2f, "
        "our relay %.2f, made to splice %.2f, socat's relay %.2f\n",
        static_cast<unsigned long long>(big >> 20), exact ? "yes" : "NO", best[0], best[1],
        ratio[1][2], best[3], ratio[3][2], best[2], ratio[2][2], cpu[0], cpu[1], cpu[3], cpu[2]);
  }

  Service service;
  const fs::path cli =
      fs::read_symlink("/proc/self/exe").parent_path().parent_path() / "app/orbo-cli";
  // Port <-> TCP throughput, each way: ours, socat's PTY bridge, and ours
  // while "orbo-cli vcom monitor --json" follows the port.
  for (int way = 0; way < 2 && want("pty"); ++way) {
    const char* name = way == 0 ? "pty->TCP" : "TCP->pty";
    double rate[3] = {0, 0, 0};
    bool exact[3] = {false, false, false};
    for (int round = 0; round < 2; ++round) {
      for (int tool = 0; tool < 3; ++tool) {
        int sinkPort = 0;
        UniqueFd sink = orbo::test::ListenLoopback(0, &sinkPort);
        fs::path link;
        std::unique_ptr<Child> helper;
        const std::string port = "COM" + std::to_string(10 + 6 * way + 3 * round + tool);
        if (tool != 1) {
          link = service.Create(port, sinkPort);
        } else {
          link = service.dir / ("socat" + std::to_string(way) + std::to_string(round));
          helper = std::make_unique<Child>(
              std::vector<std::string>{"socat", "PTY,link=" + link.string() + ",raw,echo=0",
                                       "TCP:127.0.0.1:" + std::to_string(sinkPort)});
        }
        UniqueFd far(::accept4(sink.get(), nullptr, nullptr, SOCK_CLOEXEC));
        WaitFor(link);
        if (tool == 2) {
          helper = std::make_unique<Child>(
              std::vector<std::string>{cli.string(), "vcom", "monitor", port, "--json"});
          for (int i = 0; i < 500 && service.StatusNumber(port, "monitors") < 1; ++i) {
            ::poll(nullptr, 0, 10);
          }
        }
        UniqueFd pty = OpenRaw(link);
        const double r = way == 0 ? Throughput(pty.get(), far.get(), total, &exact[tool])
                                  : Throughput(far.get(), pty.get(), total, &exact[tool]);
        rate[tool] = std::max(rate[tool], r);
      }
    }
    std::printf(
        "%s %llu MiB: ours %.0f MiB/s (exact %s), socat %.0f MiB/s (exact %s): %.2fx; "
        "ours with a monitor attached %.0f MiB/s (exact %s): %.2fx of ours\n",
        name, static_cast<unsigned long long>(mib), rate[0], exact[0] ? "yes" : "NO", rate[1],
        exact[1] ? "yes" : "NO", rate[0] / rate[1], rate[2], exact[2] ? "yes" : "NO",
        rate[2] / rate[0]);
  }

  // Port -> ser2net -> device and back: RFC 2217 against RAW.
  if (want("rfc2217")) {
    Ser2net far(service.dir);
    const uint64_t size = std::min<uint64_t>(total, 64ull << 20);
    if (!far.ok) {
      std::printf("rfc2217: ser2net did not start (is it installed?); skipped\n");
    } else {
      fs::path links[2] = {service.Create("COM40", far.telnetPort, "RFC2217"),
                           service.Create("COM41", far.rawPort, "RAW")};
      UniqueFd ports[2], devs[2];
      bool exact = true;
      for (int kind = 0; kind < 2 && exact; ++kind) {
        ports[kind] = OpenRaw(links[kind]);
        devs[kind] = OpenRaw(far.far(kind));
        // One byte each way first: the link (and for RFC 2217 its
        // negotiation) is up before the clock runs.
        char b = 'x';
        exact = ::write(ports[kind].get(), &b, 1) == 1 && ::read(devs[kind].get(), &b, 1) == 1 &&
                ::write(devs[kind].get(), &b, 1) == 1 && ::read(ports[kind].get(), &b, 1) == 1;
      }
      if (!exact) {
        std::printf("rfc2217: no way through ser2net; skipped\n");
      } else {
        // Four rounds, RFC 2217 and RAW one after the other in each; the
        // ratio of each round, their median reported.
        std::vector<double> ratio[2];
        double best[2][2] = {{0, 0}, {0, 0}};
        double serviceCpu[2] = {0, 0};
        for (int round = 0; round < 4; ++round) {
          for (int way = 0; way < 2; ++way) {
            double rate[2];
            for (int kind = 0; kind < 2; ++kind) {
              bool ok = false;
              const double cpu0 = ProcessCpuSeconds(service.child->pid);
              rate[kind] = way == 0 ? Throughput(ports[kind].get(), devs[kind].get(), size, &ok)
                                    : Throughput(devs[kind].get(), ports[kind].get(), size, &ok);
              serviceCpu[kind] += ProcessCpuSeconds(service.child->pid) - cpu0;
              exact = exact && ok;
              best[kind][way] = std::max(best[kind][way], rate[kind]);
            }
            ratio[way].push_back(rate[0] / rate[1]);
          }
        }
        for (auto& r : ratio) std::sort(r.begin(), r.end());
        std::printf(
            "through ser2net %llu MiB (exact %s): port->device RFC 2217 %.0f MiB/s, RAW %.0f "
            "MiB/s: %.2fx; device->port RFC 2217 %.0f MiB/s, RAW %.0f MiB/s: %.2fx (best rates, "
            "median ratio of 4 rounds); the port service's CPU a GiB: RFC 2217 %.2f s, RAW %.2f "
            "s\n",
            static_cast<unsigned long long>(size >> 20), exact ? "yes" : "NO", best[0][0],
            best[1][0], ratio[0][2], best[0][1], best[1][1], ratio[1][2],
            serviceCpu[0] / (8.0 * static_cast<double>(size) / (1 << 30)),
            serviceCpu[1] / (8.0 * static_cast<double>(size) / (1 << 30)));
      }
    }
  }

  // One-byte round trip: direct, through our port, through socat's.
  if (want("rtt")) {
    EchoServer echo;
    UniqueFd direct = Connect(echo.port());
    int one = 1;
    ::setsockopt(direct.get(), IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    const double base = MedianRoundTripUs(direct.get(), direct.get());
    direct.Reset();
    UniqueFd port = OpenRaw(service.Create("COM20", echo.port()));
    MedianRoundTripUs(port.get(), port.get(), 50);  // the link comes up
    const double viaPort = MedianRoundTripUs(port.get(), port.get());
    port.Reset();
    const fs::path link = service.dir / "socat-rtt";
    Child socat({"socat", "PTY,link=" + link.string() + ",raw,echo=0",
                 "TCP:127.0.0.1:" + std::to_string(echo.port())});
    WaitFor(link);
    UniqueFd sp = OpenRaw(link);
    const double viaSocat = MedianRoundTripUs(sp.get(), sp.get());
    std::printf(
        "1-byte round trip (median of 2000): direct TCP %.1f us, port %.1f us (added %.1f us), "
        "socat PTY %.1f us\n",
        base, viaPort, viaPort - base, viaSocat);
  }

  // 1000 open/close cycles of a port, each moving one byte both ways.
  if (want("cycles")) {
    EchoServer echo;
    const fs::path link = service.Create("COM30", echo.port());
    const pid_t pid = service.child->pid;
    const fs::path proc = "/proc/" + std::to_string(pid);
    for (int i = 0; i < 100; ++i) {
      UniqueFd warm = OpenRaw(link);
      MedianRoundTripUs(warm.get(), warm.get(), 1);
    }
    const long fds = CountEntries(proc / "fd"), threads = CountEntries(proc / "task");
    const long rss = RssKib(pid);
    bool ok = true;
    for (int i = 0; i < 1000 && ok; ++i) {
      UniqueFd fd = OpenRaw(link);
      ok = MedianRoundTripUs(fd.get(), fd.get(), 1) >= 0;
    }
    PrintUse(ok ? "1000 port open/close cycles (service)" : "port cycles FAILED", pid, fds, threads,
             rss);
  }
  if (want("cycles")) {
    EchoServer echo;
    orbo::vcom::Relay relay;
    const int local = orbo::test::FreeLoopbackPort();
    relay.Start({local, echo.port(), "127.0.0.1"});
    const pid_t self = ::getpid();
    const fs::path proc = "/proc/self";
    auto cycle = [&] {
      UniqueFd c = Connect(local);
      char b = 'x';
      return ::write(c.get(), &b, 1) == 1 && ::read(c.get(), &b, 1) == 1;
    };
    // Measured when the last bridge and its echo connection have ended.
    auto settle = [&] {
      for (int i = 0; i < 5000; ++i) {
        if (relay.bridgeCount() == 0 && echo.live() == 0) return;
        ::poll(nullptr, 0, 1);
      }
    };
    for (int i = 0; i < 100; ++i) cycle();  // allocator and kernel warm-up
    settle();
    const long fds = CountEntries(proc / "fd"), threads = CountEntries(proc / "task");
    const long rss = RssKib(self);
    bool ok = true;
    for (int i = 0; i < 1000 && ok; ++i) ok = cycle();
    settle();
    PrintUse(ok ? "1000 relay connect/close cycles (this process)" : "relay cycles FAILED", self,
             fds, threads, rss);
  }
  std::printf("load average at end: %s\n", LoadAverage().c_str());
  return 0;
}
