#include "e2e/discovery/netns_pair.h"

#include <unistd.h>

#include <atomic>
#include <sstream>
#include <vector>

#include "support/child_process.h"

namespace orbo::test {
namespace {

std::atomic<int> g_counter{0};

std::vector<std::string> Words(const std::string& text) {
  std::istringstream in(text);
  std::vector<std::string> words;
  for (std::string word; in >> word;) words.push_back(word);
  return words;
}

bool LinkIsUp(const std::string& ns, const std::string& dev) {
  const auto result = RunProcess({"ip", "-n", ns, "-o", "link", "show", "dev", dev});
  return result.exitCode == 0 && result.out.find("LOWER_UP") != std::string::npos &&
         result.out.find("state UP") != std::string::npos;
}

// Waits until the link is up with carrier: the kernel reports that a moment
// after "link set up". Link events from "ip monitor" wake the check; the
// re-check after each quiet second covers events missed while the monitor
// was starting.
bool WaitLinkUp(const std::string& ns, const std::string& dev) {
  ChildProcess monitor({"ip", "-n", ns, "monitor", "link"});
  for (int round = 0; round < 30; ++round) {
    if (LinkIsUp(ns, dev)) return true;
    monitor.WaitForLine("", 1000);
  }
  return false;
}

}  // namespace

NetnsPair::NetnsPair() {
  const int id = static_cast<int>(::getpid());
  const int serial = g_counter++;
  pc_ = "orbo-dsc-" + std::to_string(id) + "-" + std::to_string(serial) + "-pc";
  box_ = "orbo-dsc-" + std::to_string(id) + "-" + std::to_string(serial) + "-box";
  prefix_ = "10.201." + std::to_string((id + serial) % 250 + 1);
  if (::geteuid() != 0) {
    unavailable_ = "network namespaces need root";
    return;
  }
  if (!ProgramExists("ip")) {
    unavailable_ = "the \"ip\" program is not installed";
    return;
  }
  if (!Setup() && unavailable_.empty()) unavailable_ = "could not set up the veth pair";
}

NetnsPair::~NetnsPair() {
  // Deleting a namespace removes its end of the veth pair and the other end.
  if (pcMade_) RunProcess({"ip", "netns", "del", pc_});
  if (boxMade_) RunProcess({"ip", "netns", "del", box_});
}

std::string NetnsPair::Host(int host) const {
  return prefix_ + "." + std::to_string(host);
}

bool NetnsPair::Ip(const std::string& ns, const std::string& args) const {
  std::vector<std::string> argv = {"ip", "-n", ns};
  for (auto& word : Words(args)) argv.push_back(word);
  return RunProcess(argv).exitCode == 0;
}

bool NetnsPair::Setup() {
  pcMade_ = RunProcess({"ip", "netns", "add", pc_}).exitCode == 0;
  if (!pcMade_) {
    unavailable_ = "\"ip netns add\" failed (namespaces not allowed here?)";
    return false;
  }
  boxMade_ = RunProcess({"ip", "netns", "add", box_}).exitCode == 0;
  if (!boxMade_) return false;
  return Ip(pc_, "link set lo up") && Ip(box_, "link set lo up") &&
         Ip(pc_, "link add v0 type veth peer name v1 netns " + box_) &&
         Ip(pc_, "addr add " + Host(1) + "/24 brd + dev v0") &&
         Ip(box_, "addr add " + Host(2) + "/24 brd + dev v1") && Ip(pc_, "link set v0 up") &&
         Ip(box_, "link set v1 up") && WaitLinkUp(pc_, "v0") && WaitLinkUp(box_, "v1");
}

}  // namespace orbo::test
