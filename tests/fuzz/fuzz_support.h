// Helpers shared by the fuzz targets: a check that stops the run loudly, a
// splitter for inputs that carry several parts, and a scratch folder for
// targets whose parser reads files.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

// Fails the input (the fuzzer keeps it as a reproducer) when cond is false.
#define FUZZ_CHECK(cond)                                                            \
  do {                                                                              \
    if (!(cond)) {                                                                  \
      std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #cond); \
      std::abort();                                                                 \
    }                                                                               \
  } while (0)

namespace orbo::fuzz {

inline std::string_view AsText(const uint8_t* data, size_t size) {
  return {reinterpret_cast<const char*>(data), size};
}

// The parts of text between separators; n separators give n + 1 parts.
inline std::vector<std::string_view> Split(std::string_view text, char separator) {
  std::vector<std::string_view> parts;
  size_t start = 0;
  for (;;) {
    const size_t end = text.find(separator, start);
    if (end == std::string_view::npos) break;
    parts.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  parts.push_back(text.substr(start));
  return parts;
}

// One fresh folder per process, removed when the process ends normally.
// Targets that parse files write them here for each input. It lies in
// memory (/dev/shm or the runtime folder), so no input's work waits on a
// disk: a stalled open() under /tmp once took one input past the timeout.
const std::filesystem::path& ScratchDir();

// Writes bytes to path, replacing it; creates missing folders.
void WriteFile(const std::filesystem::path& path, std::string_view bytes);

// True when no temporary file (".<name>.tmp.<suffix>") is left below dir.
bool NoTempFilesIn(const std::filesystem::path& dir);

// True when every script is one call with plain arguments, as the native
// side writes them: Name(arg, ...) with an optional ";", each argument a
// number, true, false or a complete string literal holding no line break, no "<" and no
// raw control character. A box or file text that escaped its literal would
// show up as code outside one.
bool IsPlainCall(std::string_view script);

}  // namespace orbo::fuzz
