// INI text as the settings file uses it: "[section]" headers and
// "key=value" lines, read and changed without disturbing anything else.
//
// Reading rules: section and key names match without regard to ASCII
// letter case; spaces and tabs around names and values are ignored; a value
// enclosed in a matching pair of double or single quotes reads without
// them; lines without "=" are skipped; only the first section of a name and
// the first key of a name in it count. A UTF-8 byte-order mark at the start
// is ignored. Values are UTF-8; a value that is not valid UTF-8 is taken as
// text in the ANSI code page (a hand-edited legacy file).
#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace orbo {

class IniFile {
 public:
  IniFile() = default;
  explicit IniFile(std::string bytes) : bytes_(std::move(bytes)) {}

  // The file's bytes; a missing, unreadable or oversized file gives an
  // empty document (every read then yields its default).
  static IniFile Load(const std::filesystem::path& path);

  const std::string& bytes() const { return bytes_; }

  // The value of key in section (trimmed, quotes removed, UTF-8), or
  // nullopt when the section or the key is absent.
  std::optional<std::string> Find(std::string_view section, std::string_view key) const;

  // The value, or fallback when absent, cut to buffer_chars - 1 code points
  // (a buffer of buffer_chars characters including the terminator).
  std::string GetString(std::string_view section, std::string_view key, std::string_view fallback,
                        size_t buffer_chars) const;

  // The integer read from the value's leading decimal digits after an
  // optional "+" or "-"; a value without leading digits reads as 0. An
  // absent key or an empty value gives fallback. Values beyond the int
  // range saturate.
  int GetInt(std::string_view section, std::string_view key, int fallback) const;

  // Sets key in section to value. An existing key line is replaced in place
  // (keeping the file's spelling of the key and the line's line end); a new
  // key goes after the last key line of its section (right after the header
  // when there is none); a missing section is added at the end of the file,
  // after a blank line. Every other byte stays as it was. New lines use the
  // file's first line end ("\n" when it has none).
  // False, changing nothing, when section, key or value could not be stored
  // as one line (empty names, line breaks, "=" or a leading "[" in the key,
  // "]" in the section, spaces around a name).
  bool Set(std::string_view section, std::string_view key, std::string_view value);

 private:
  std::string bytes_;
};

// Loads path, lets change edit the document and writes it back atomically
// when change returned true and the bytes differ (an unchanged document is
// not rewritten). Calls within this process are serialised. False when the
// existing file cannot be read, change returned false or the write failed;
// the file is then unchanged. A missing file starts as an empty document.
bool UpdateIniFile(const std::filesystem::path& path, const std::function<bool(IniFile&)>& change);

// One key written through UpdateIniFile.
bool WriteIniString(const std::filesystem::path& path, std::string_view section,
                    std::string_view key, std::string_view value);

}  // namespace orbo
