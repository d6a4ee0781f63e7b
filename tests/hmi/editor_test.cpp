// Editor settings, discovery in a Wine prefix made by the test, and the
// download-settings rules.
#include <gtest/gtest.h>

#include <filesystem>

#include "hmi/editor_choice.h"
#include "hmi/editor_discovery.h"
#include "hmi/editor_settings.h"
#include "platform/linux/wine_registry.h"
#include "support/temp_dir.h"

namespace fs = std::filesystem;

namespace orbo {
namespace {

// Writes an editor folder: the markers asked for and a ReleaseLog.log.
void MakeEditor(const test::TempDir& dir, const std::string& rel, bool simulator, bool download,
                const std::string& program, const std::string& version_attr) {
  if (simulator) dir.Write(rel + "simulation/ieg/HMIUI.exe", "MZ");
  if (download) dir.Write(rel + "Download.exe", "MZ");
  if (!program.empty()) dir.Write(rel + program, "MZ");
  dir.Write(rel + "ReleaseLog.log",
            "<?xml version=\"1.0\"?>\n<HMISet><Hmi " + version_attr + " /></HMISet>\n");
}

TEST(EditorSettings, DefaultTextWhenMissingAndRoundTrip) {
  test::TempDir dir;
  EditorSettings s{"keep/", "keep"};
  LoadEditorSettings(dir.path(), &s);  // no file: nothing changes
  EXPECT_EQ(s.folder, "keep/");
  EXPECT_FALSE(IsEditorUsable("", ""));

  ASSERT_TRUE(SaveEditorSettings(dir.path(), EditorSettings{"/opt/ed \"x\"&/", "3.2"}));
  EXPECT_EQ(dir.Read("hmi.xml"),
            "<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\n<HMISet filever = \"1.0\">\n"
            "<Hmi Folder=\"/opt/ed &quot;x&quot;&amp;/\" Version=\"3.2\" />\n</HMISet>");
  EditorSettings back;
  LoadEditorSettings(dir.path(), &back);
  EXPECT_EQ(back.folder, "/opt/ed \"x\"&/");
  EXPECT_EQ(back.version, "3.2");

  // An element without Version: empty version, other content kept on save.
  dir.Write("hmi.xml", "<HMISet><!-- mine --><Hmi Folder=\"/e/\" /></HMISet>");
  LoadEditorSettings(dir.path(), &back);
  EXPECT_EQ(back.version, "");
  ASSERT_TRUE(SaveEditorSettings(dir.path(), back));
  EXPECT_EQ(dir.Read("hmi.xml"),
            "<HMISet><!-- mine --><Hmi Folder=\"/e/\" Version=\"\" /></HMISet>");
}

TEST(EditorDiscovery, FindsEditorsInAWinePrefix) {
  test::TempDir dir;
  const fs::path prefix = dir / "prefix";
  fs::create_directories(prefix / "dosdevices");
  fs::create_directories(prefix / "drive_c");
  fs::create_symlink("../drive_c", prefix / "dosdevices/c:");
  // Installed with Windows letter case that differs from the registry's.
  MakeEditor(dir, "prefix/drive_c/Program Files/Panel Editor/", true, true, "HMIEditor.exe",
             "Help_Ch=\"V2.1\"");
  MakeEditor(dir, "prefix/drive_c/Old/", true, false, "Editor.exe", "Help_Ch=\"V1\"");
  dir.Write("prefix/system.reg",
            "WINE REGISTRY Version 2\n"
            "[Software\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\Uninstall\\\\Ed] 1\n"
            "\"DisplayName\"=\"Panel Editor\"\n"
            "\"InstallLocation\"=\"C:\\\\program files\\\\panel editor\\\\\"\n"
            "[Software\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\Uninstall\\\\NoSep] 1\n"
            "\"DisplayName\"=\"Panel Editor\"\n"
            "\"InstallLocation\"=\"C:\\\\Program Files\\\\Panel Editor\"\n"
            "[Software\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\Uninstall\\\\NoName] 1\n"
            "\"InstallLocation\"=\"C:\\\\Program Files\\\\Panel Editor\\\\\"\n"
            "[Software\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\Uninstall\\\\Old] 1\n"
            "\"DisplayName\"=\"Old Editor\"\n"
            "\"InstallLocation\"=\"C:\\\\Old\\\\\"\n"
            "[Software\\\\Wow6432Node\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\Uninstall\\\\"
            "Ed] 1\n"
            "\"DisplayName\"=\"Panel Editor\"\n"
            "\"InstallLocation\"=\"C:\\\\Program Files\\\\Panel Editor\\\\\"\n");
  WineRegistry reg(prefix);
  const std::string editor =
      fs::canonical(prefix / "drive_c").string() + "/Program Files/Panel Editor/";
  // Without a trailing separator, without a name, or without the download
  // tool: not listed. Registered twice: listed twice.
  EXPECT_EQ(FindInstalledEditors(reg), (std::vector<std::string>{editor, editor}));
  EXPECT_EQ(LinuxToWindowsPath(prefix, editor), "C:\\Program Files\\Panel Editor\\");
  EXPECT_EQ(WindowsToLinuxPath(prefix, "D:\\x"), "");
  EXPECT_EQ(ReadEditorVersion(editor), "V2.1");
  EXPECT_TRUE(IsEditorUsable("", editor));
}

TEST(EditorChoice, BrowseChecksAndListRows) {
  test::TempDir dir;
  MakeEditor(dir, "good/", true, true, "Editor.exe", "Help_Ch=\"V3\"");
  MakeEditor(dir, "nover/", true, true, "HMIEditor.exe", "Other=\"x\"");
  MakeEditor(dir, "nodl/", true, false, "Editor.exe", "Help_Ch=\"V1\"");
  MakeEditor(dir, "none/", true, true, "", "Help_Ch=\"V1\"");
  struct Case {
    std::string folder;
    std::string key;
    std::string version;
  } cases[] = {
      {"good", "", "V3"},
      {"good/", "", "V3"},  // a trailing separator is tolerated
      {"nover", "hmi_no_ver", ""},
      {"nodl", "hmi_incompat_ver", ""},
      {"none", "hmi_no_editor", ""},
      {"missing", "hmi_no_editor", ""},
  };
  for (const Case& c : cases) {
    BrowseOutcome out = CheckBrowsedFolder((dir / c.folder).string());
    EXPECT_EQ(out.messageKey, c.key) << c.folder;
    EXPECT_EQ(out.version, c.version) << c.folder;
    if (c.key.empty()) {
      EXPECT_EQ(out.folder, (dir / "good").string() + "/");
    }
  }
  const std::string good = (dir / "good").string() + "/", nover = (dir / "nover").string() + "/";
  auto rows = EditorListRows({nover, good, good});
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0].number, "1");
  EXPECT_EQ(rows[1].number, "2");
  EXPECT_EQ(rows[1].version, "V3");
  EXPECT_EQ(rows[1].folder, good);
}

}  // namespace
}  // namespace orbo
