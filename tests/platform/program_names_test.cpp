// Names other applications have: programs on the search path and launchers,
// the tool's own excluded, in folders the test makes.
#include "platform/linux/program_names.h"

#include <gtest/gtest.h>

#include "support/temp_dir.h"

namespace orbo {
namespace {

namespace fs = std::filesystem;

TEST(ProgramNames, ProgramsAndLaunchersOfOtherApplicationsAreTaken) {
  test::TempDir dir;
  auto program = [&](const std::string& rel) {
    const fs::path p = dir.Write(rel, "#!/bin/sh\n");
    fs::permissions(p, fs::perms::owner_all);
    return p;
  };
  program("bin/firefox");
  dir.Write("bin/notes.txt", "not a program");
  const fs::path own = program("lib/orbo/orbo");
  fs::create_symlink(own, dir / "bin/orbo");  // the package's launcher link
  dir.Write("apps/texteditor.desktop", "[Desktop Entry]\nType=Application\nExec=gedit %U\n");
  dir.Write("apps/orbo.desktop", "[Desktop Entry]\nType=Application\nExec=orbo\n");
  dir.Write("apps/old tool.desktop", "[Desktop Entry]\nExec=\"" + own.string() + "\"\n");
  const NameSearchDirs dirs{{dir / "bin"}, {dir / "apps"}};

  const struct {
    const char* name;
    bool taken;
  } cases[] = {
      {"firefox", true},         {"Firefox", true},     // a program, in any letter case
      {"texteditor", true},      {"TextEditor", true},  // a launcher of another program
      {"orbo", false},                                  // the tool's own program and entry
      {"old tool", false},                              // a launcher that starts the tool
      {"notes.txt", false},                             // not a program
      {"Northwind Link", false}, {"", false},
  };
  for (const auto& c : cases)
    EXPECT_EQ(NameOfOtherApplication(c.name, dirs, own), c.taken) << c.name;
}

}  // namespace
}  // namespace orbo
