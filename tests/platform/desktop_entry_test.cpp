// The desktop-entry reader and writer: value escapes, Exec quoting (read
// back by our reader and accepted by the desktop's own validator), and edits
// that keep the lines they do not touch.
#include "platform/linux/desktop_entry.h"

#include <gtest/gtest.h>

#include "support/child_process.h"
#include "support/temp_dir.h"

namespace orbo {
namespace {

TEST(DesktopEntryQuoting, ValuesAndExecArgumentsRoundTrip) {
  const struct {
    std::string value, escaped;
  } values[] = {
      {"Northwind Link", "Northwind Link"},
      {" lead and trail ", "\\slead and trail\\s"},
      {"a\nb\tc\rd", "a\\nb\\tc\\rd"},
      {"back\\slash", "back\\\\slash"},
  };
  for (const auto& v : values) {
    EXPECT_EQ(EscapeDesktopValue(v.value), v.escaped);
    const auto entry = ParseDesktopEntry("[Desktop Entry]\nName=" + v.escaped + "\n");
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->name, v.value);
  }

  const struct {
    std::vector<std::string> args;
    std::string exec;
  } execs[] = {
      {{"/usr/lib/orbo/orbo", "%U"}, "/usr/lib/orbo/orbo %U"},
      {{"/opt/my app/x"}, "\"/opt/my app/x\""},
      {{"/opt/q\"uo`te$/x"}, R"("/opt/q\"uo\`te\$/x")"},
      {{"/opt/back\\slash/x"}, R"("/opt/back\\slash/x")"},
      {{"/opt/100%/x", "--a=50%"}, "/opt/100%%/x --a=50%%"},
      {{"run", "", "it's"}, R"(run "" "it's")"},
  };
  for (const auto& e : execs) {
    EXPECT_EQ(JoinExec(e.args), e.exec);
    EXPECT_EQ(SplitExec(e.exec), e.args) << e.exec;
    // Through the file: the value escapes on top of the Exec quoting.
    DesktopFile file = DesktopFile::Parse("[Desktop Entry]\nType=Application\n");
    file.Set("Desktop Entry", "Exec", JoinExec(e.args));
    const auto entry = ParseDesktopEntry(file.Text());
    ASSERT_TRUE(entry);
    EXPECT_EQ(SplitExec(entry->exec), e.args) << file.Text();
  }
  // A backslash in a program path is four in the file.
  DesktopFile file;
  file.Set("Desktop Entry", "Exec", JoinExec({"/a\\b"}));
  EXPECT_EQ(file.Text(), "[Desktop Entry]\nExec=\"/a\\\\\\\\b\"\n");
}

TEST(DesktopEntryEdit, ChangesOnlyTheKeysItSets) {
  const std::string text =
      "# made by hand\r\n[Desktop Entry]\r\nName=Old\r\nName[de]=Alt\r\nExec=old %U\r\n\r\n"
      "[Desktop Action new]\r\nName=New window\r\nExec=old --new\r\n";
  DesktopFile file = DesktopFile::Parse(text);
  file.Set("Desktop Entry", "Name", "Acme Link");
  file.Set("Desktop Entry", "Icon", "/home/u/logo.png");
  file.Remove("Desktop Entry", "Name[de]");
  EXPECT_EQ(file.Groups(), (std::vector<std::string>{"Desktop Entry", "Desktop Action new"}));
  EXPECT_EQ(file.Keys("Desktop Entry"), (std::vector<std::string>{"Name", "Exec", "Icon"}));
  EXPECT_EQ(file.Get("Desktop Action new", "Exec"), "old --new");
  EXPECT_EQ(file.Text(),
            "# made by hand\r\n[Desktop Entry]\r\nName=Acme Link\nExec=old %U\r\n"
            "Icon=/home/u/logo.png\n\r\n[Desktop Action new]\r\nName=New window\r\n"
            "Exec=old --new\r\n");
}

TEST(DesktopEntryQuoting, WhatWeWritePassesTheValidator) {
  if (!test::ProgramExists("desktop-file-validate"))
    GTEST_SKIP() << "desktop-file-validate is not installed (package desktop-file-utils)";
  test::TempDir dir;
  const std::string program = dir.path().string() + "/my $app `x` \"q\" back\\slash 100%/orbo";
  DesktopFile file;
  file.Set("Desktop Entry", "Type", "Application");
  file.Set("Desktop Entry", "Name", " Acme; Link\\ ");
  file.Set("Desktop Entry", "Exec", JoinExec({program, "--flag=a b", "%U"}));
  file.Set("Desktop Entry", "TryExec", program);
  file.Set("Desktop Entry", "Icon", dir.path().string() + "/logo.png");
  file.Set("Desktop Entry", "Actions", "new;");
  file.Set("Desktop Action new", "Name", "New");
  file.Set("Desktop Action new", "Exec", JoinExec({program, "--new"}));
  const auto path = dir.Write("orbo.desktop", file.Text());
  const test::ProcessResult result = test::RunProcess({"desktop-file-validate", path.string()});
  EXPECT_EQ(result.exitCode, 0) << file.Text() << result.out << result.err;
  EXPECT_EQ(result.out + result.err, "");
  const auto entry = ParseDesktopEntry(file.Text());
  ASSERT_TRUE(entry);
  EXPECT_EQ(SplitExec(entry->exec), (std::vector<std::string>{program, "--flag=a b", "%U"}));
  EXPECT_EQ(entry->tryExec, program);
}

}  // namespace
}  // namespace orbo
