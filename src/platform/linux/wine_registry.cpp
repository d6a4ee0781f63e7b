#include "platform/linux/wine_registry.h"

#include <algorithm>
#include <cstdlib>
#include <system_error>

#include "base/utf.h"

namespace fs = std::filesystem;

namespace orbo {
namespace {

constexpr std::string_view kClasses = "Software\\Classes";

bool IsDrivePath(std::string_view p) {
  return p.size() >= 2 && p[1] == ':' &&
         ((p[0] >= 'A' && p[0] <= 'Z') || (p[0] >= 'a' && p[0] <= 'z'));
}

// The folder a drive letter stands for, or empty.
fs::path DriveFolder(const fs::path& prefix, char letter) {
  std::error_code ec;
  std::string name{AsciiLower(letter), ':'};
  fs::path link = prefix / "dosdevices" / name;
  fs::path target = fs::canonical(link, ec);
  if (!ec && fs::is_directory(target, ec)) return target;
  if (AsciiLower(letter) == 'c') {
    target = fs::canonical(prefix / "drive_c", ec);
    if (!ec) return target;
  }
  return {};
}

// The entry of dir named name, matched exactly or else without regard to
// letter case; name itself when there is none.
std::string MatchEntry(const fs::path& dir, std::string_view name) {
  std::error_code ec;
  if (fs::exists(dir / name, ec)) return std::string(name);
  int looked = 0;
  for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
    if (++looked > 100000) break;  // a folder too large to be a program folder
    std::string entry = it->path().filename().string();
    if (EqualsIgnoreAsciiCase(entry, name)) return entry;
  }
  return std::string(name);
}

}  // namespace

fs::path DefaultWinePrefix() {
  const char* prefix = std::getenv("WINEPREFIX");
  if (prefix && *prefix) return prefix;
  const char* home = std::getenv("HOME");
  if (home && *home) return fs::path(home) / ".wine";
  return {};
}

WineRegistry::WineRegistry(fs::path prefix) : prefix_(std::move(prefix)) {
  if (prefix_.empty()) return;
  store_.LoadFile(prefix_ / "system.reg", RegRoot::kLocalMachine, &system_report_);
  store_.LoadFile(prefix_ / "user.reg", RegRoot::kCurrentUser, &user_report_);
}

std::optional<std::vector<std::string>> WineRegistry::SubKeys(RegRoot root,
                                                              std::string_view path) const {
  if (root == RegRoot::kClassesRoot) {
    return store_.SubKeys(RegRoot::kLocalMachine, std::string(kClasses) + "\\" + std::string(path));
  }
  return store_.SubKeys(root, path);
}

std::optional<std::vector<RegValue>> WineRegistry::Values(RegRoot root,
                                                          std::string_view path) const {
  if (root == RegRoot::kClassesRoot) {
    return store_.Values(RegRoot::kLocalMachine, std::string(kClasses) + "\\" + std::string(path));
  }
  return store_.Values(root, path);
}

std::string WineRegistry::LocalPath(std::string_view value) const {
  return WindowsToLinuxPath(prefix_, value);
}

std::string WindowsToLinuxPath(const fs::path& prefix, std::string_view path) {
  if (!path.empty() && path.front() == '/') return std::string(path);
  if (!IsDrivePath(path)) return "";
  fs::path dir = DriveFolder(prefix, path[0]);
  if (dir.empty()) return "";
  std::string_view rest = path.substr(2);
  bool trailing = !rest.empty() && (rest.back() == '\\' || rest.back() == '/');
  size_t start = 0;
  while (start < rest.size()) {
    size_t end = rest.find_first_of("\\/", start);
    if (end == std::string_view::npos) end = rest.size();
    std::string_view part = rest.substr(start, end - start);
    if (!part.empty() && part != ".") {
      if (part == "..") {
        // Never above the drive's folder.
        if (dir != DriveFolder(prefix, path[0])) dir = dir.parent_path();
      } else {
        dir /= MatchEntry(dir, part);
      }
    }
    start = end + 1;
  }
  std::string out = dir.string();
  if (trailing && (out.empty() || out.back() != '/')) out += '/';
  return out;
}

std::string LinuxToWindowsPath(const fs::path& prefix, std::string_view path) {
  std::error_code ec;
  bool trailing = !path.empty() && path.back() == '/';
  while (path.size() > 1 && path.back() == '/') path.remove_suffix(1);
  fs::path target = fs::weakly_canonical(fs::path(path), ec);
  if (ec) return "";
  std::string best_drive;
  fs::path best_root;
  for (fs::directory_iterator it(prefix / "dosdevices", ec), end; !ec && it != end;
       it.increment(ec)) {
    std::string name = it->path().filename().string();
    if (name.size() != 2 || name[1] != ':') continue;
    std::error_code ec2;
    fs::path root = fs::canonical(it->path(), ec2);
    if (ec2) continue;
    auto mismatch = std::mismatch(root.begin(), root.end(), target.begin(), target.end());
    if (mismatch.first != root.end()) continue;
    if (best_drive.empty() || root.string().size() > best_root.string().size()) {
      best_drive = name;
      best_root = root;
    }
  }
  if (best_drive.empty()) return "";
  std::string out{static_cast<char>(best_drive[0] >= 'a' ? best_drive[0] - 32 : best_drive[0]),
                  ':'};
  fs::path rel = target.lexically_relative(best_root);
  for (const auto& part : rel) {
    if (part == ".") continue;
    out += '\\';
    out += part.string();
  }
  if (out.size() == 2 || trailing) out += '\\';
  return out;
}

}  // namespace orbo
