// The installed layout, end to end: the tree cmake --install lays out in a
// DESTDIR, a user with a fresh HOME who puts the sample package in the
// per-user folder with oem=1, the page host and the window started from
// PREFIX/lib/orbo. Branding writes the per-user menu entry (checked with
// desktop-file-validate), the About box shows the package's company, and
// nothing under the prefix changes.
#include <cjson/cJSON.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <map>
#include <memory>
#include <string>

#include "base/file_util.h"
#include "platform/linux/desktop_entry.h"
#include "support/child_process.h"
#include "support/temp_dir.h"

namespace orbo {
namespace {

namespace fs = std::filesystem;
constexpr int kPatienceMs = 60000;

// Every file, link and folder under root with its mode and content.
std::map<std::string, std::string> Snapshot(const fs::path& root) {
  std::map<std::string, std::string> tree;
  for (auto it = fs::recursive_directory_iterator(root); it != fs::recursive_directory_iterator();
       ++it) {
    struct stat st {};
    ::lstat(it->path().c_str(), &st);
    std::string value = std::to_string(st.st_mode);
    if (S_ISLNK(st.st_mode)) value += " -> " + fs::read_symlink(it->path()).string();
    if (S_ISREG(st.st_mode)) value += " " + test::ReadAll(it->path());
    tree[fs::relative(it->path(), root).string()] = value;
  }
  return tree;
}

std::string JsonText(const std::string& line, const char* key) {
  std::unique_ptr<cJSON, void (*)(cJSON*)> json(cJSON_Parse(line.c_str()), cJSON_Delete);
  const cJSON* item = cJSON_GetObjectItemCaseSensitive(json.get(), key);
  return cJSON_IsString(item) ? item->valuestring : "";
}

TEST(InstalledBranding, BrandsPerUserShowsTheCompanyAndLeavesThePrefixAlone) {
  for (const char* tool : {"xvfb-run", "desktop-file-validate", "unshare"}) {
    if (!test::ProgramExists(tool)) GTEST_SKIP() << tool << " is not installed";
  }
  // The sample package sends the monitor page to an outside host: the
  // window runs in a network namespace of its own, where nothing leaves.
  if (test::RunProcess({"unshare", "--net", "true"}).exitCode != 0)
    GTEST_SKIP() << "a network namespace cannot be made here (needs root)";

  test::TempDir dir;
  const fs::path dest = dir / "dest", prefix = dest / "usr";
  test::ChildOptions install_env;
  install_env.setEnv = {"DESTDIR=" + dest.string()};
  test::ChildProcess install({"cmake", "--install", ORBO_BINARY_DIR, "--prefix", "/usr"},
                             install_env);
  ASSERT_EQ(install.Wait(kPatienceMs), 0);
  const fs::path program = prefix / "lib/orbo/orbo";
  ASSERT_TRUE(fs::is_regular_file(program));
  const auto before = Snapshot(dest);

  // A new user: the package and oem=1 in the per-user folder.
  const fs::path home = dir / "home", user = home / ".local/share/orbo";
  std::string ini = test::ReadAll(prefix / "share/orbo/SoftLang.ini");
  ASSERT_NE(ini.find("oem=0"), std::string::npos);
  ini.replace(ini.find("oem=0"), 5, "oem=1");
  dir.Write("home/.local/share/orbo/SoftLang.ini", ini);
  fs::create_directories(dir / "run");
  fs::permissions(dir / "run", fs::perms::owner_all);
  fs::create_directories(dir / "tmp");
  test::ChildOptions user_env;
  user_env.setEnv = {"HOME=" + home.string(), "XDG_RUNTIME_DIR=" + (dir / "run").string(),
                     "TMPDIR=" + (dir / "tmp").string()};
  user_env.unsetEnv = {"XDG_DATA_HOME", "XDG_CONFIG_HOME", "XDG_CACHE_HOME", "DISPLAY"};
  user_env.inputPipe = true;
  user_env.ownGroup = true;

  // No package yet: the page host asks for one, puts the picked sample in
  // place and asks to start again: the same installed program.
  {
    test::ChildProcess page({(prefix / "lib/orbo/orbo-cli").string(), "page", "--no-port", "--file",
                             ORBO_BINARY_DIR "/samples/VirCert.ce"},
                            user_env);
    page.CloseInput();
    ASSERT_EQ(page.Wait(kPatienceMs), 0);
    ASSERT_FALSE(page.Lines().empty());
    EXPECT_EQ(page.Lines().back(), R"({"branding":0,"restart":")" + program.string() + "\"}");
  }

  test::ChildProcess window(
      {"unshare", "--net", "--", "xvfb-run", "-a", "-s", "-screen 0 1280x800x24", program.string(),
       "--page-log", "--control", "--no-port"},
      user_env);
  ASSERT_FALSE(window.WaitForLine(R"({"loaded":)", kPatienceMs).empty());
  window.Send(R"({"button":"about"})");
  const std::string about = window.WaitForLine(R"({"dialog":"about")", kPatienceMs);
  EXPECT_EQ(JsonText(about, "company"), "Northwind Automation") << about;
  window.Send(R"({"dialog":"close"})");
  window.Send(R"({"quit":true})");
  EXPECT_EQ(window.Wait(kPatienceMs), 0);

  // The menu entry over the package's own, valid and naming the installed
  // program; the tool name in the user's settings, the company nowhere on disk.
  const fs::path entry = home / ".local/share/applications" / ORBO_MENU_ENTRY;
  const test::ProcessResult check = test::RunProcess({"desktop-file-validate", entry.string()});
  EXPECT_EQ(check.exitCode, 0) << check.out << check.err;
  // Hints (the package's own categories) are no faults.
  for (const char* fault : {": error:", ": warning:"})
    EXPECT_EQ((check.out + check.err).find(fault), std::string::npos) << check.out << check.err;
  const std::string text = test::ReadAll(entry);
  const std::optional<DesktopEntry> parsed = ParseDesktopEntry(text);
  ASSERT_TRUE(parsed) << text;
  EXPECT_EQ(parsed->name, "Northwind Link");
  EXPECT_EQ(SplitExec(parsed->exec).value_or(std::vector<std::string>{}).at(0), program.string());
  EXPECT_EQ(parsed->tryExec, program.string());
  EXPECT_EQ(fs::path(parsed->icon).parent_path(), user);
  EXPECT_TRUE(fs::is_regular_file(parsed->icon)) << parsed->icon;
  const std::string settings = test::ReadAll(user / "SoftLang.ini");
  EXPECT_NE(settings.find("name=Northwind Link"), std::string::npos);
  EXPECT_EQ(settings.find("Northwind Automation"), std::string::npos);

  // The web engine's data in the user's private cache; nothing of ours in
  // the temporary folder; the prefix exactly as installed.
  struct stat st {};
  ASSERT_EQ(::stat((home / ".cache/orbo").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);
  for (const auto& e : fs::directory_iterator(dir / "tmp"))
    EXPECT_EQ(e.path().filename().string().find("orbo"), std::string::npos) << e.path();
  EXPECT_EQ(Snapshot(dest), before);
}

}  // namespace
}  // namespace orbo
