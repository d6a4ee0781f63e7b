#include "settings/string_table.h"

#include "base/base64.h"
#include "base/file_util.h"
#include "base/utf.h"

namespace orbo {
namespace {

constexpr std::string_view kPlaceholder = "replaceBox";
// A string table is some kilobytes; a larger file is not one.
constexpr size_t kMaxTableBytes = size_t{64} << 20;

// A language code names a file in html/i18n and nothing outside it.
bool IsSafeLangCode(std::string_view lang) {
  return lang.find('/') == std::string_view::npos && lang.find('\0') == std::string_view::npos &&
         lang != "." && lang != "..";
}

std::string ReplaceAll(std::string_view text, std::string_view from, std::string_view to) {
  std::string out;
  size_t pos = 0;
  for (size_t hit; (hit = text.find(from, pos)) != std::string_view::npos;
       pos = hit + from.size()) {
    out.append(text.substr(pos, hit - pos)).append(to);
  }
  out.append(text.substr(pos));
  return out;
}

}  // namespace

std::filesystem::path StringTablePath(const std::filesystem::path& app_dir, std::string_view lang) {
  std::string name = "strings_";
  name.append(lang).append(".properties");
  return app_dir / "html" / "i18n" / name;
}

std::map<std::string, std::string> ParseProperties(std::string_view document) {
  std::map<std::string, std::string> table;
  size_t pos = 0;
  while (pos < document.size()) {
    size_t lf = document.find('\n', pos);
    if (lf == std::string_view::npos) lf = document.size();
    std::string_view line = document.substr(pos, lf - pos);
    pos = lf + 1;
    line = line.substr(0, line.find('#'));  // a comment, or the rest of the line
    size_t eq = line.find('=');
    if (eq == std::string_view::npos) continue;  // also skips empty lines
    table.emplace(std::string(line.substr(0, eq)), std::string(line.substr(eq + 1)));
  }
  return table;
}

std::string LookupText(const std::filesystem::path& app_dir, std::string_view lang,
                       std::string_view rep, std::string_view key) {
  if (!IsSafeLangCode(lang)) return std::string();
  std::string stored;
  if (!ReadFileBytes(StringTablePath(app_dir, lang), &stored, kMaxTableBytes)) return std::string();
  const std::string document = Base64Decode(stored);
  if (!IsValidUtf8(document)) return std::string();
  const auto table = ParseProperties(document);
  auto it = table.find(std::string(key));
  if (it == table.end()) return std::string();
  return ReplaceAll(it->second, kPlaceholder, rep);
}

}  // namespace orbo
