// The folder rules for the lock, port-service and cache folders, against
// folders the test makes with another mode, owner or as a link.
#include "platform/private_dir.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <functional>

#include "platform/instance_lock.h"
#include "support/temp_dir.h"

namespace orbo {
namespace {

namespace fs = std::filesystem;

TEST(PrivateDir, OnlyAPlainFolderOfThisUserClosedToOthersIsUsed) {
  test::TempDir dir;
  const struct {
    const char* name;
    std::function<void(const fs::path&)> make;  // empty: not there before
    bool usable;
    const char* why;  // in the error
  } cases[] = {
      {"new/deeper", {}, true, ""},
      {"own0700",
       [](const fs::path& p) {
         fs::create_directory(p);
         ::chmod(p.c_str(), 0700);
       },
       true, ""},
      {"own0755",
       [](const fs::path& p) {
         fs::create_directory(p);
         ::chmod(p.c_str(), 0755);
       },
       true, ""},
      {"group_writable",
       [](const fs::path& p) {
         fs::create_directory(p);
         ::chmod(p.c_str(), 0770);
       },
       false, "mode 770"},
      {"world_writable",
       [](const fs::path& p) {
         fs::create_directory(p);
         ::chmod(p.c_str(), 01777);
       },
       false, "others may write"},
      {"link_to_own",
       [&dir](const fs::path& p) {
         fs::create_directory(dir / "target");
         ::chmod((dir / "target").c_str(), 0700);
         fs::create_directory_symlink(dir / "target", p);
       },
       false, "symbolic link"},
      {"a_file", [](const fs::path& p) { test::WriteAll(p, "x"); }, false, "not a folder"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const fs::path path = dir / c.name;
    if (c.make) c.make(path);
    std::string error;
    EXPECT_EQ(EnsurePrivateDir(path, &error), c.usable) << error;
    EXPECT_NE(error.find(c.why), std::string::npos) << error;
    if (c.usable) {
      EXPECT_TRUE(fs::is_directory(path));
    }
  }
  // A folder another user made first (only root can make one here).
  if (::geteuid() == 0) {
    const fs::path theirs = dir / "theirs";
    fs::create_directory(theirs);
    ::chmod(theirs.c_str(), 0700);
    ASSERT_EQ(::chown(theirs.c_str(), 65534, 65534), 0);
    std::string error;
    EXPECT_FALSE(EnsurePrivateDir(theirs, &error));
    EXPECT_NE(error.find("another user"), std::string::npos) << error;
  }
}

TEST(PrivateDir, WithoutARuntimeFolderTheLockFolderMustBePrivate) {
  test::TempDir dir;
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  const std::string saved_runtime = runtime != nullptr ? runtime : "";
  const char* tmp = std::getenv("TMPDIR");
  const std::string saved_tmp = tmp != nullptr ? tmp : "";
  ::unsetenv("XDG_RUNTIME_DIR");
  ::setenv("TMPDIR", dir.path().c_str(), 1);
  const fs::path planted = dir / ("orbo-runtime-" + std::to_string(::getuid()));
  fs::create_directory(planted);
  ::chmod(planted.c_str(), 0777);
  std::string error;
  EXPECT_TRUE(UserRuntimeDir(&error).empty());
  EXPECT_NE(error.find(planted.string()), std::string::npos) << error;
  ::chmod(planted.c_str(), 0700);
  EXPECT_EQ(UserRuntimeDir(&error), planted) << error;
  if (saved_runtime.empty()) {
    ::unsetenv("XDG_RUNTIME_DIR");
  } else {
    ::setenv("XDG_RUNTIME_DIR", saved_runtime.c_str(), 1);
  }
  if (saved_tmp.empty()) {
    ::unsetenv("TMPDIR");
  } else {
    ::setenv("TMPDIR", saved_tmp.c_str(), 1);
  }
}

}  // namespace
}  // namespace orbo
