// Localised texts: html/i18n/strings_<lang>.properties beside the executable,
// stored as Base64 of a UTF-8 properties document.
#pragma once

#include <filesystem>
#include <map>
#include <string>
#include <string_view>

namespace orbo {

std::filesystem::path StringTablePath(const std::filesystem::path& app_dir, std::string_view lang);

// Parses an already decoded properties document: lines split at LF (a CR
// stays in its line), "#" starts a comment or cuts the line, the first "="
// splits key and value untrimmed, the first occurrence of a key wins.
std::map<std::string, std::string> ParseProperties(std::string_view document);

// The value of key in the table of lang, with every "replaceBox" replaced by
// rep; empty when the file, the key or the value is missing, when the file
// does not decode (Base64, then UTF-8) or when lang holds a "/" (a language
// code never leaves html/i18n). Reads and parses the file on every call.
std::string LookupText(const std::filesystem::path& app_dir, std::string_view lang,
                       std::string_view rep, std::string_view key);

}  // namespace orbo
