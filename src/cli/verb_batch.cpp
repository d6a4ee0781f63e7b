// orbo-cli batch box ACTION ... --hosts FILE | --sweep A.B.C.0/24: one box
// action against many boxes, a few at a time. Each box gets its own link
// and its own page; the only thing the runs share is stdout, written one
// whole line at a time under a lock.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <mutex>
#include <sstream>
#include <thread>

#include "base/utf.h"
#include "cli/batch_hosts.h"
#include "cli/box_action.h"
#include "cli/box_output.h"
#include "cli/verb.h"
#include "platform/host_address.h"
#include "platform/local_addresses.h"

namespace orbo::cli {
namespace {

constexpr int kDefaultJobs = 8;
constexpr int kMaxJobs = 64;

std::string Usage() {
  return std::string(
             "usage: orbo-cli batch box ACTION [ARGS] (--hosts FILE | --sweep A.B.C.0/24) "
             "[--jobs N] [--port N]\n  ACTION: ") +
         kBoxActionsUsage + "\n  {host} in a file name stands for each box's address";
}

std::mutex& OutputMutex() {
  static std::mutex mutex;
  return mutex;
}

// One box's events: its log is kept for its result line, its progress is
// printed at once as {"box":...,"progress":{...}}.
class CollectedEvents : public BoxEvents {
 public:
  explicit CollectedEvents(std::string box) : box_(std::move(box)) {}
  void Log(const std::string& text) override {
    cJSON_AddItemToArray(log_.get(), cJSON_CreateString(SanitizeUtf8(text).c_str()));
  }
  void Progress(uint64_t done, uint64_t total) override {
    JsonPtr line = NewJsonObject();
    AddJsonText(line.get(), "box", box_);
    cJSON* p = cJSON_AddObjectToObject(line.get(), "progress");
    cJSON_AddNumberToObject(p, "done", static_cast<double>(done));
    cJSON_AddNumberToObject(p, "total", static_cast<double>(total));
    std::lock_guard<std::mutex> lock(OutputMutex());
    PrintJsonLine(line.get());
  }
  const cJSON* log() const { return log_.get(); }

 private:
  const std::string box_;
  JsonPtr log_{cJSON_CreateArray(), cJSON_Delete};
};

std::string ReplaceHost(std::string text, const std::string& address) {
  for (size_t at = text.find("{host}"); at != std::string::npos; at = text.find("{host}", at)) {
    text.replace(at, 6, address);
    at += address.size();
  }
  return text;
}

bool ParseNumber(const std::string& text, long low, long high, long* value) {
  char* end = nullptr;
  const long v = std::strtol(text.c_str(), &end, 10);
  if (text.empty() || *end != '\0' || v < low || v > high) return false;
  *value = v;
  return true;
}

int Batch(const Args& given) {
  Args args = given;
  TakeFlag(&args, "--json");  // batch always writes JSON lines
  const auto files = TakeOption(&args, "--hosts");
  const auto sweeps = TakeOption(&args, "--sweep");
  const auto jobs_given = TakeOption(&args, "--jobs");
  const auto ports = TakeOption(&args, "--port");
  // The computer's addresses a sweep range is checked against; tests give
  // their own so that no real interface is ever swept.
  const auto locals = TakeOption(&args, "--local-address");
  if (files.size() + sweeps.size() != 1)
    return UsageError("give one --hosts FILE or --sweep RANGE\n" + Usage());
  if (jobs_given.size() > 1 || ports.size() > 1)
    return UsageError("an option was given more than once");
  long jobs = kDefaultJobs, port = 8769;
  if (!jobs_given.empty() && !ParseNumber(jobs_given[0], 1, kMaxJobs, &jobs)) {
    return UsageError("--jobs needs a number from 1 to " + std::to_string(kMaxJobs));
  }
  if (!ports.empty() && !ParseNumber(ports[0], 1, 65535, &port)) {
    return UsageError("--port needs a number from 1 to 65535");
  }
  if (args.empty() || args[0] != "box") return UsageError("batch runs box actions\n" + Usage());
  args.erase(args.begin());
  std::string error;
  const auto request = ParseBoxRequest(args, &error);
  if (!request) return UsageError(error + "\n" + Usage());
  // Firmware images are decrypted into the shared update folder, whose
  // leftovers each update clears: one box at a time only.
  if ((request->action == "firmware" && request->operands[0] == "update") || request->yes) {
    return UsageError(
        "firmware updates (and --yes, which may start one) run one box at a time: "
        "use orbo-cli box");
  }
  const bool fetches = request->action == "fetch" ||
                       (request->action == "config" && request->operands[0] == "fetch");
  if (fetches && request->operands[1].find("{host}") == std::string::npos) {
    return UsageError("each box needs a file of its own: put {host} in the local file name");
  }

  std::vector<BatchHost> hosts;
  const bool sweep = !sweeps.empty();
  if (sweep) {
    std::vector<std::string> addresses = locals;
    if (addresses.empty()) addresses = SystemAddressSource().Ipv4Addresses();
    auto swept = SweepHosts(sweeps[0], addresses, &error);
    if (!swept) return UsageError(error);
    hosts = std::move(*swept);
  } else {
    std::ifstream in(files[0], std::ios::binary);
    if (!in) return UsageError("cannot read the hosts file " + files[0]);
    std::stringstream text;
    text << in.rdbuf();
    std::vector<std::string> errors, notes;
    hosts = ParseHostsFile(
        text.str(), files[0], [](const std::string& name) { return ResolveHostAddress(name); },
        &errors, &notes);
    for (const auto& note : notes) std::fprintf(stderr, "orbo-cli: %s\n", note.c_str());
    for (const auto& e : errors) std::fprintf(stderr, "orbo-cli: %s\n", e.c_str());
    if (!errors.empty()) return UsageError("the hosts file has errors; no box was contacted");
    if (hosts.empty()) return UsageError("the hosts file names no box");
  }

  std::string action = request->action;
  for (const auto& op : request->operands) action += " " + op;
  const auto start = std::chrono::steady_clock::now();
  std::atomic<size_t> next{0};
  std::atomic<int> ok{0}, failed{0}, absent{0};
  auto worker = [&] {
    for (size_t i = next++; i < hosts.size(); i = next++) {
      const BatchHost& host = hosts[i];
      BoxTarget target;
      target.host = host.address;
      target.port = static_cast<int>(port);
      BoxRequest mine = *request;
      for (auto& op : mine.operands) op = ReplaceHost(op, host.address);
      CollectedEvents events(host.name);
      const BoxActionResult result = RunBoxAction(target, mine, AppDir(), events);
      // A sweep lists the boxes it found, not every silent address.
      if (sweep && result.exitCode != 0 && result.error.rfind("cannot connect", 0) == 0) {
        ++absent;
        continue;
      }
      ++(result.exitCode == 0 ? ok : failed);
      JsonPtr line = ResultObject(host.name, action, result, events.log());
      if (host.name != host.address) AddJsonText(line.get(), "address", host.address);
      std::lock_guard<std::mutex> lock(OutputMutex());
      PrintJsonLine(line.get());
    }
  };
  std::vector<std::thread> pool;
  const size_t count = std::min<size_t>(static_cast<size_t>(jobs), hosts.size());
  for (size_t i = 0; i < count; ++i) pool.emplace_back(worker);
  for (auto& t : pool) t.join();

  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  JsonPtr summary = NewJsonObject();
  cJSON* s = cJSON_AddObjectToObject(summary.get(), "summary");
  AddJsonText(s, "action", action);
  cJSON_AddNumberToObject(s, "boxes", static_cast<double>(hosts.size()));
  cJSON_AddNumberToObject(s, "ok", ok);
  cJSON_AddNumberToObject(s, "failed", failed);
  if (sweep) cJSON_AddNumberToObject(s, "absent", absent);
  cJSON_AddNumberToObject(s, "jobs", static_cast<double>(count));
  cJSON_AddNumberToObject(s, "seconds", seconds);
  PrintJsonLine(summary.get());
  return failed == 0 ? 0 : 1;
}

}  // namespace

ORBO_CLI_VERB("batch",
              "batch box ACTION [ARGS] (--hosts FILE | --sweep A.B.C.0/24) [--jobs N] [--port N]  "
              "one box action on many boxes; a JSON line per box and a summary",
              Batch);

}  // namespace orbo::cli
