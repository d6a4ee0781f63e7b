// The batch's host lists: hosts file lines and sweep ranges.
#include "cli/batch_hosts.h"

#include <gtest/gtest.h>

namespace orbo::cli {
namespace {

TEST(BatchHosts, HostsFileLinesAreReadOrReportedByLine) {
  auto resolve = [](const std::string& name) -> std::optional<std::string> {
    if (name == "box-a") return "127.0.5.1";
    if (name == "v6-only") return "::1";
    return std::nullopt;
  };
  std::vector<std::string> errors, notes;
  const auto hosts = ParseHostsFile(
      "# lab\n\n  127.0.5.2 \t# second\nbox-a\r\n127.0.5.1\nno-such\nv6-only\na b\n127.0.5.2\n",
      "h", resolve, &errors, &notes);
  ASSERT_EQ(hosts.size(), 2u);
  EXPECT_EQ(hosts[0].address, "127.0.5.2");
  EXPECT_EQ(hosts[1].name, "box-a");
  EXPECT_EQ(hosts[1].address, "127.0.5.1");
  const std::vector<std::string> want_errors = {"h:6:", "h:7:", "h:8:"};
  ASSERT_EQ(errors.size(), want_errors.size());
  for (size_t i = 0; i < errors.size(); ++i) EXPECT_EQ(errors[i].rfind(want_errors[i], 0), 0u);
  // Duplicates by address, whatever their spelling.
  ASSERT_EQ(notes.size(), 2u);
  EXPECT_EQ(notes[0].rfind("h:5:", 0), 0u);
  EXPECT_EQ(notes[1].rfind("h:9:", 0), 0u);
}

TEST(BatchHosts, SweepTakesOnlyA24OfALoopbackOrLocalNetwork) {
  struct Case {
    const char* range;
    bool accepted;
  } cases[] = {
      {"127.0.9.0/24", true},  {"10.1.2.0/24", true},      {"10.1.3.0/24", false},
      {"10.1.2.0/16", false},  {"10.1.2.5/24", false},     {"10.1.2.0", false},
      {"256.1.2.0/24", false}, {"198.51.100.0/24", false},
  };
  for (const Case& c : cases) {
    std::string error;
    const auto hosts = SweepHosts(c.range, {"10.1.2.7"}, &error);
    EXPECT_EQ(hosts.has_value(), c.accepted) << c.range << " " << error;
    if (hosts) {
      ASSERT_EQ(hosts->size(), 254u);
      EXPECT_EQ(hosts->back().address.substr(hosts->back().address.rfind('.')), ".254");
    } else {
      EXPECT_FALSE(error.empty());
    }
  }
}

}  // namespace
}  // namespace orbo::cli
