#include "fuzz_support.h"

#include <linux/magic.h>
#include <signal.h>
#include <sys/statfs.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <system_error>

namespace orbo::fuzz {
namespace {

constexpr std::string_view kScratchPrefix = "orbo-fuzz-";

// True when dir is a writable folder held in memory (tmpfs or ramfs): files
// there never wait on a disk, however busy the machine's disk is.
bool InMemory(const std::filesystem::path& dir) {
  struct statfs fs {};
  if (dir.empty() || ::statfs(dir.c_str(), &fs) != 0 || ::access(dir.c_str(), W_OK) != 0)
    return false;
  return fs.f_type == TMPFS_MAGIC || fs.f_type == RAMFS_MAGIC;
}

// The scratch folder's parent: /dev/shm, else the user's runtime folder,
// else the temporary folder (with a warning, since a stalled disk there can
// make one input exceed the fuzzer's timeout).
std::filesystem::path ScratchBase() {
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  for (const std::filesystem::path& candidate :
       {std::filesystem::path("/dev/shm"), std::filesystem::path(runtime ? runtime : "")}) {
    if (InMemory(candidate)) return candidate;
  }
  std::error_code ec;
  const std::filesystem::path base = std::filesystem::temp_directory_path(ec);
  std::fprintf(stderr, "fuzz: no memory-backed folder; scratch files go to %s\n",
               ec ? "/tmp" : base.c_str());
  return ec ? std::filesystem::path("/tmp") : base;
}

// Removes the scratch folders of fuzz processes that are gone: a finding
// ends the process without its destructors, and memory is the one place
// such folders should not pile up.
void RemoveOrphans(const std::filesystem::path& base) {
  std::error_code ec;
  for (std::filesystem::directory_iterator it(base, ec), end; !ec && it != end; it.increment(ec)) {
    const std::string name = it->path().filename().string();
    if (!name.starts_with(kScratchPrefix)) continue;
    const long pid = std::strtol(name.c_str() + kScratchPrefix.size(), nullptr, 10);
    std::error_code rm;
    if (pid > 0 && ::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH)
      std::filesystem::remove_all(it->path(), rm);
  }
}

class Scratch {
 public:
  Scratch() {
    const std::filesystem::path base = ScratchBase();
    RemoveOrphans(base);
    std::string name =
        base / (std::string(kScratchPrefix) + std::to_string(::getpid()) + "-XXXXXX");
    if (::mkdtemp(name.data()) == nullptr) {
      std::perror("mkdtemp");
      std::abort();
    }
    path_ = name;
  }
  ~Scratch() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

bool IsIdentChar(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

// Reads a string literal starting at text[*pos] (a quote); true with *pos
// past its closing quote.
bool SkipLiteral(std::string_view text, size_t* pos) {
  const char quote = text[*pos];
  for (size_t i = *pos + 1; i < text.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if (c == '\\') {
      if (++i >= text.size()) return false;
      continue;
    }
    if (c == static_cast<unsigned char>(quote)) {
      *pos = i + 1;
      return true;
    }
    if (c < 0x20 || c == 0x7F || c == '<') return false;
    // U+2028 and U+2029 end a line inside a script.
    if (c == 0xE2 && i + 2 < text.size() && text[i + 1] == '\x80' &&
        (text[i + 2] == '\xA8' || text[i + 2] == '\xA9')) {
      return false;
    }
  }
  return false;
}

// A number or the literal true or false.
bool SkipNumber(std::string_view text, size_t* pos) {
  for (std::string_view word : {"true", "false"}) {
    if (text.substr(*pos, word.size()) == word) {
      *pos += word.size();
      return true;
    }
  }
  size_t i = *pos;
  if (i < text.size() && text[i] == '-') ++i;
  const size_t digits = i;
  while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i;
  if (i == digits) return false;
  *pos = i;
  return true;
}

}  // namespace

const std::filesystem::path& ScratchDir() {
  static Scratch scratch;
  return scratch.path();
}

void WriteFile(const std::filesystem::path& path, std::string_view bytes) {
  std::filesystem::create_directories(path.parent_path());
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  FUZZ_CHECK(out.good());
}

bool NoTempFilesIn(const std::filesystem::path& dir) {
  std::error_code ec;
  for (auto it = std::filesystem::recursive_directory_iterator(dir, ec);
       !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
    if (it->path().filename().string().find(".tmp.") != std::string::npos) return false;
  }
  return true;
}

bool IsPlainCall(std::string_view script) {
  size_t pos = 0;
  while (pos < script.size() && IsIdentChar(script[pos])) ++pos;
  if (pos == 0 || pos >= script.size() || script[pos] != '(') return false;
  ++pos;
  bool first = true;
  while (pos < script.size() && script[pos] != ')') {
    if (!first) {
      if (script.substr(pos, 2) != ", ") return false;
      pos += 2;
    }
    first = false;
    if (pos >= script.size()) return false;
    const bool ok = (script[pos] == '"' || script[pos] == '\'') ? SkipLiteral(script, &pos)
                                                                : SkipNumber(script, &pos);
    if (!ok) return false;
  }
  if (pos >= script.size()) return false;
  ++pos;  // ")"
  if (pos < script.size() && script[pos] == ';') ++pos;
  return pos == script.size();
}

}  // namespace orbo::fuzz
