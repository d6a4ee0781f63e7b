#include "platform/linux/app_dir.h"

#include <unistd.h>

#include <cstdlib>
#include <system_error>

namespace orbo {
namespace fs = std::filesystem;

UserDirsEnv ProcessUserDirsEnv() {
  UserDirsEnv env;
  if (const char* v = std::getenv("XDG_DATA_HOME")) env.xdgDataHome = v;
  if (const char* v = std::getenv("HOME")) env.home = v;
  return env;
}

fs::path InstalledShareDir(const fs::path& exe_dir) {
  if (exe_dir.filename() != "orbo" || exe_dir.parent_path().filename() != "lib") return {};
  const fs::path share = exe_dir.parent_path().parent_path() / "share" / "orbo";
  std::error_code ec;
  if (!fs::is_regular_file(share / "SoftLang.ini", ec)) return {};
  return share;
}

fs::path UserAppDir(const UserDirsEnv& env) {
  // A relative XDG_DATA_HOME is invalid and ignored, as XDG asks.
  if (!env.xdgDataHome.empty() && env.xdgDataHome.front() == '/') {
    return fs::path(env.xdgDataHome) / "orbo";
  }
  if (!env.home.empty() && env.home.front() == '/') {
    return fs::path(env.home) / ".local" / "share" / "orbo";
  }
  return {};
}

namespace {

bool CopyMissingFile(const fs::path& from, const fs::path& to, std::string* error) {
  std::error_code ec;
  if (fs::exists(fs::symlink_status(to, ec))) return true;
  fs::path tmp = to;
  tmp += ".seed-" + std::to_string(::getpid());
  fs::copy_file(from, tmp, fs::copy_options::overwrite_existing, ec);
  if (!ec) {
    // The shipped files are read-only for the user; the copies are theirs.
    fs::permissions(tmp, fs::perms::owner_read | fs::perms::owner_write, fs::perm_options::add, ec);
  }
  if (!ec) fs::rename(tmp, to, ec);
  if (ec) {
    std::error_code ignored;
    fs::remove(tmp, ignored);
    *error = "cannot write " + to.string() + ": " + ec.message();
    return false;
  }
  return true;
}

}  // namespace

bool SeedUserAppDir(const fs::path& shipped, const fs::path& user_dir, std::string* error) {
  std::error_code ec;
  fs::create_directories(user_dir, ec);
  if (ec || !fs::is_directory(user_dir)) {
    *error = "cannot make the folder " + user_dir.string() + ": " +
             (ec ? ec.message() : std::string("a file of that name is in the way"));
    return false;
  }
  if (::access(user_dir.c_str(), W_OK | X_OK) != 0) {
    *error = "the folder " + user_dir.string() + " is not writable";
    return false;
  }
  fs::recursive_directory_iterator it(shipped, ec), end;
  if (ec) {
    *error = "cannot read the shipped files in " + shipped.string() + ": " + ec.message();
    return false;
  }
  for (; it != end; it.increment(ec)) {
    if (ec) break;
    const fs::path target = user_dir / fs::relative(it->path(), shipped);
    if (it->is_directory()) {
      fs::create_directories(target, ec);
      if (ec) {
        *error = "cannot make the folder " + target.string() + ": " + ec.message();
        return false;
      }
    } else if (it->is_regular_file() && !CopyMissingFile(it->path(), target, error)) {
      return false;
    }
  }
  if (ec) {
    *error = "cannot read the shipped files in " + shipped.string() + ": " + ec.message();
    return false;
  }
  return true;
}

AppDirChoice ChooseAppDir(const fs::path& exe_dir, const fs::path& explicit_dir,
                          const UserDirsEnv& env) {
  AppDirChoice choice;
  if (!explicit_dir.empty()) {
    choice.appDir = choice.programDir = explicit_dir;
    return choice;
  }
  choice.programDir = exe_dir;
  const fs::path share = InstalledShareDir(exe_dir);
  if (share.empty()) {
    choice.appDir = exe_dir;
    return choice;
  }
  const fs::path user = UserAppDir(env);
  if (user.empty()) {
    choice.error = "neither XDG_DATA_HOME nor HOME names a folder for the tool's files";
    return choice;
  }
  if (!SeedUserAppDir(share, user, &choice.error)) return choice;
  choice.appDir = user;
  choice.installed = true;
  return choice;
}

}  // namespace orbo
