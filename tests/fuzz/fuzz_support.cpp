#include "fuzz_support.h"

#include <unistd.h>

#include <fstream>
#include <system_error>

namespace orbo::fuzz {
namespace {

class Scratch {
 public:
  Scratch() {
    std::error_code ec;
    const std::filesystem::path base = std::filesystem::temp_directory_path(ec);
    std::string name = (ec ? std::filesystem::path("/tmp") : base) / "orbo-fuzz-XXXXXX";
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
