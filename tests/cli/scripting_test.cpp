// orbo-cli as scripts use it: JSON output of every reporting verb, exit
// codes, batch against several simulated boxes, and transfer progress.
#include <cjson/cJSON.h>
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "support/box_sim.h"
#include "support/child_process.h"
#include "support/temp_dir.h"

namespace orbo {
namespace {

namespace fs = std::filesystem;
using Json = std::unique_ptr<cJSON, decltype(&cJSON_Delete)>;

const std::string kCli = std::string(ORBO_APP_DIR) + "/orbo-cli";

test::ProcessResult RunCli(std::vector<std::string> args, int timeoutMs = 60000) {
  args.insert(args.begin(), kCli);
  return test::RunProcess(args, timeoutMs);
}

// Every stdout line parsed as a JSON object; a line that is not one fails.
std::vector<Json> JsonLines(const std::string& out) {
  std::vector<Json> lines;
  size_t at = 0;
  for (size_t end; (end = out.find('\n', at)) != std::string::npos; at = end + 1) {
    Json j(cJSON_Parse(out.substr(at, end - at).c_str()), cJSON_Delete);
    EXPECT_TRUE(j && cJSON_IsObject(j.get())) << "not a JSON object: " << out.substr(at, end - at);
    if (j) lines.push_back(std::move(j));
  }
  EXPECT_EQ(at, out.size()) << "unterminated line";
  return lines;
}

// A fresh folder inside dir for one simulated box.
fs::path SimDir(const test::TempDir& dir, const char* name) {
  fs::create_directories(dir / name);
  return dir / name;
}

const cJSON* Member(const Json& j, const char* name) {
  return cJSON_GetObjectItemCaseSensitive(j.get(), name);
}

TEST(CliJson, EveryReportingVerbPrintsParsableJsonAndDocumentedExitCodes) {
  test::TempDir dir;
  test::BoxSim sim(SimDir(dir, "sim"), {.args = {"--reset-ms", "50"},
                                        .profileJson = R"({"files":{"setup.xml":"<setup/>"}})"});
  ASSERT_TRUE(sim.ready());
  const std::string host = sim.address();
  const std::string setup = dir.Write("setup.xml", "<setup><a/></setup>").string();
  const std::string fetched = (dir / "fetched.xml").string();
  struct Case {
    std::vector<std::string> args;
    int exitCode;
    std::vector<const char*> members;  // each must be present in the last line
    bool resets = false;               // the box reboots afterwards
  };
  auto box = [&](std::vector<std::string> action) {
    std::vector<std::string> args = {"box", "--host", host, "--json"};
    args.insert(args.end(), action.begin(), action.end());
    return args;
  };
  const Case cases[] = {
      {{"settings", "--json"}, 0, {"oem", "lang", "curserver"}},
      {{"text", "--json", "download_success"}, 0, {"key", "text"}},
      {{"discover", "--json", "--address", host}, 0, {"address"}},
      {box({"ident"}), 0, {"box", "ok", "type", "serial", "mode", "log"}},
      {box({"time", "--zone", "Europe/Berlin"}), 0, {"zone", "log"}},
      {box({"network"}), 0, {"log"}},
      {box({"light"}), 0, {"ok"}},
      {box({"firmware", "check"}), 0, {"updates", "upToDate", "type"}},
      {box({"firmware", "update"}), 0, {"ok", "log"}},
      {box({"config", "fetch", fetched}), 0, {"ok"}},
      {box({"mode", "2"}), 0, {"ok"}, true},
      {box({"config", "send", setup}), 0, {"ok"}, true},
      {box({"reboot"}), 0, {"ok"}, true},
      // The operation failed: 1, still one JSON object with the reason.
      {{"box", "--host", host, "--port", "1", "--json", "ident"}, 1, {"error"}},
      {box({"config", "send", (dir / "missing.xml").string()}), 1, {"error"}},
      // Bad usage: 2, nothing on stdout.
      {box({"mode", "two"}), 2, {}},
      {{"box", "--json", "ident"}, 2, {}},
      {{"settings", "--json", "extra"}, 2, {}},
      {{"no-such-verb"}, 2, {}},
  };
  for (const Case& c : cases) {
    std::string shown;
    for (const auto& a : c.args) shown += a + " ";
    SCOPED_TRACE(shown);
    const test::ProcessResult r = RunCli(c.args);
    EXPECT_EQ(r.exitCode, c.exitCode) << r.err;
    const auto lines = JsonLines(r.out);
    if (c.members.empty()) {
      EXPECT_TRUE(lines.empty());
      EXPECT_FALSE(r.err.empty());
      continue;
    }
    ASSERT_FALSE(lines.empty()) << r.err;
    for (const char* m : c.members) EXPECT_NE(Member(lines.back(), m), nullptr) << m;
    if (const cJSON* ok = Member(lines.back(), "ok")) {
      EXPECT_EQ(cJSON_IsTrue(ok), c.exitCode == 0);
    }
    if (c.resets) {
      EXPECT_TRUE(sim.WaitReady(30000));
    }
  }
  EXPECT_EQ(test::ReadAll(fetched), "<setup/>");
  // The firmware and the configuration really arrived.
  EXPECT_TRUE(fs::exists(sim.store_dir() / "fsFLASH"));
  EXPECT_EQ(test::ReadAll(sim.store_dir() / "setup.xml"), "<setup><a/></setup>");
}

TEST(CliBatch, ASilentBoxHoldsUpNoOtherAndHostsFileErrorsAreReported) {
  test::TempDir dir;
  test::BoxSim a(SimDir(dir, "a")), b(SimDir(dir, "b")),
      silent(SimDir(dir, "s"), {.args = {"--silent", "GetHMIType"}});
  ASSERT_TRUE(a.ready() && b.ready() && silent.ready());
  const std::string hosts =
      dir.Write("hosts", "# boxes\n\n" + silent.address() + "\n" + a.address() + "  # first\n" +
                             b.address() + "\n" + a.address() + "\n")
          .string();
  const auto start = std::chrono::steady_clock::now();
  const test::ProcessResult r = RunCli({"batch", "box", "ident", "--hosts", hosts, "--jobs", "3"});
  const auto seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  EXPECT_EQ(r.exitCode, 1) << r.err;  // one box failed
  const auto lines = JsonLines(r.out);
  ASSERT_EQ(lines.size(), 4u) << r.out;
  // The healthy boxes report as soon as they are done, before the silent one.
  EXPECT_TRUE(cJSON_IsTrue(Member(lines[0], "ok")));
  EXPECT_TRUE(cJSON_IsTrue(Member(lines[1], "ok")));
  EXPECT_EQ(std::string(Member(lines[2], "box")->valuestring), silent.address());
  EXPECT_FALSE(cJSON_IsTrue(Member(lines[2], "ok")));
  const cJSON* summary = Member(lines[3], "summary");
  ASSERT_NE(summary, nullptr);
  EXPECT_EQ(cJSON_GetObjectItem(summary, "boxes")->valueint, 3);
  EXPECT_EQ(cJSON_GetObjectItem(summary, "ok")->valueint, 2);
  EXPECT_EQ(cJSON_GetObjectItem(summary, "failed")->valueint, 1);
  EXPECT_NE(r.err.find(":6:"), std::string::npos) << r.err;  // the duplicate is noted
  // One link wait (10 s) for the silent box, not one per box in turn.
  EXPECT_LT(seconds, 20.0);

  // A bad hosts file: every bad line named, no box contacted.
  const std::string bad = dir.Write("bad", a.address() + "\ntwo words\n300.1.2.3x\n").string();
  const test::ProcessResult e = RunCli({"batch", "box", "ident", "--hosts", bad});
  EXPECT_EQ(e.exitCode, 2);
  EXPECT_EQ(e.out, "");
  EXPECT_NE(e.err.find("bad:2:"), std::string::npos) << e.err;
  EXPECT_NE(e.err.find("bad:3:"), std::string::npos) << e.err;
  // A sweep of a network that is neither loopback nor local is refused.
  const test::ProcessResult s = RunCli(
      {"batch", "box", "ident", "--sweep", "198.51.100.0/24", "--local-address", "127.0.0.1"});
  EXPECT_EQ(s.exitCode, 2);
  EXPECT_NE(s.err.find("nothing was swept"), std::string::npos) << s.err;
}

TEST(CliProgress, A4MiBSendReportsProgressLinesEndingAtTheTotal) {
  test::TempDir dir;
  test::BoxSim sim(SimDir(dir, "sim"));
  ASSERT_TRUE(sim.ready());
  constexpr uint64_t kSize = 4 * 1024 * 1024;
  std::string bytes(kSize, '\0');
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i * 131 + (i >> 12));
  const std::string local = dir.Write("big.bin", bytes).string();
  const test::ProcessResult r =
      RunCli({"box", "--host", sim.address(), "--json", "send", local, "big.bin"});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  const auto lines = JsonLines(r.out);
  ASSERT_GE(lines.size(), 3u);
  double last = 0;
  size_t progress = 0;
  for (const auto& line : lines) {
    const cJSON* p = Member(line, "progress");
    if (!p) continue;
    ++progress;
    const double done = cJSON_GetObjectItem(p, "done")->valuedouble;
    EXPECT_GT(done, last);
    EXPECT_EQ(cJSON_GetObjectItem(p, "total")->valuedouble, static_cast<double>(kSize));
    last = done;
  }
  EXPECT_GE(progress, 10u);
  EXPECT_LE(progress, 101u);  // at most one a percent
  EXPECT_EQ(last, static_cast<double>(kSize));
  EXPECT_TRUE(cJSON_IsTrue(Member(lines.back(), "ok")));
  EXPECT_EQ(test::ReadAll(sim.store_dir() / "big.bin").size(), kSize);
}

}  // namespace
}  // namespace orbo
