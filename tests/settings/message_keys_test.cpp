// The shipped string tables against the key list and the code that uses it.
#include "settings/message_keys.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <set>
#include <sstream>

#include "base/base64.h"
#include "base/utf.h"
#include "settings/string_table.h"
#include "support/temp_dir.h"

namespace orbo {
namespace {

const std::filesystem::path kSources = std::filesystem::path(ORBO_SOURCE_DIR) / "resources/i18n";
const std::filesystem::path kAppDir = ORBO_APP_DIR;

// Language codes of the table sources (strings_<lang>.properties).
std::vector<std::string> Languages() {
  std::vector<std::string> langs;
  for (const auto& entry : std::filesystem::directory_iterator(kSources)) {
    const std::string name = entry.path().filename().string();
    const std::string prefix = "strings_", suffix = ".properties";
    if (name.starts_with(prefix) && name.ends_with(suffix)) {
      langs.push_back(name.substr(prefix.size(), name.size() - prefix.size() - suffix.size()));
    }
  }
  std::sort(langs.begin(), langs.end());
  return langs;
}

std::string SourceOf(const std::string& lang) {
  return test::ReadAll(kSources / ("strings_" + lang + ".properties"));
}

std::set<std::string> ListedKeys() {
  return std::set<std::string>(keys::kAllMessageKeys.begin(), keys::kAllMessageKeys.end());
}

// True when format holds exactly three floating-point conversions and no
// other conversion, so printf-style use with three doubles is safe.
bool TakesThreeDoubles(std::string_view format) {
  int doubles = 0;
  for (size_t i = 0; i < format.size(); ++i) {
    if (format[i] != '%') continue;
    if (++i < format.size() && format[i] == '%') continue;
    while (i < format.size() && std::string_view("-+ #0").find(format[i]) != std::string_view::npos)
      ++i;
    while (i < format.size() && isdigit(static_cast<unsigned char>(format[i]))) ++i;
    if (i < format.size() && format[i] == '.') {
      ++i;
      while (i < format.size() && isdigit(static_cast<unsigned char>(format[i]))) ++i;
    }
    if (i < format.size() && format[i] == 'l') ++i;
    if (i >= format.size() ||
        std::string_view("fFeEgGaA").find(format[i]) == std::string_view::npos) {
      return false;
    }
    ++doubles;
  }
  return doubles == 3;
}

// The call arguments after the "(" at code[open], split at top-level
// commas and trimmed; empty when the call does not close.
std::vector<std::string> CallArguments(std::string_view code, size_t open) {
  std::vector<std::string> args(1);
  int depth = 0;
  for (size_t i = open + 1; i < code.size(); ++i) {
    const char c = code[i];
    if (c == '"' || c == '\'') {  // copy a literal whole
      size_t end = i + 1;
      while (end < code.size() && code[end] != c) end += code[end] == '\\' ? 2 : 1;
      args.back().append(code.substr(i, end + 1 - i));
      i = end;
      continue;
    }
    if (c == '(') ++depth;
    if (c == ')' && depth-- == 0) {
      for (auto& a : args) {
        while (!a.empty() && isspace(static_cast<unsigned char>(a.back()))) a.pop_back();
        a.erase(0, a.find_first_not_of(" \t\r\n"));
      }
      return args;
    }
    if (c == ',' && depth == 0) {
      args.emplace_back();
    } else {
      args.back().push_back(c);
    }
  }
  return {};
}

// The text of a plain string literal argument, or nullopt.
std::optional<std::string> Literal(const std::string& arg) {
  if (arg.size() < 2 || arg.front() != '"' || arg.back() != '"') return std::nullopt;
  return arg.substr(1, arg.size() - 2);
}

// Keys given as literals to ShowKey(...), LookupText(..., "key") and
// RunScript("key", kMessageKey) in code.
std::vector<std::string> LiteralKeysUsedIn(std::string_view code) {
  std::vector<std::string> keys;
  for (std::string_view name : {"ShowKey", "LookupText", "RunScript"}) {
    for (size_t at = code.find(name); at != std::string_view::npos; at = code.find(name, at + 1)) {
      const bool word_start =
          at == 0 || !(isalnum(static_cast<unsigned char>(code[at - 1])) || code[at - 1] == '_');
      size_t open = at + name.size();
      while (open < code.size() && isspace(static_cast<unsigned char>(code[open]))) ++open;
      if (!word_start || open >= code.size() || code[open] != '(') continue;
      const std::vector<std::string> args = CallArguments(code, open);
      if (args.empty()) continue;
      std::optional<std::string> key;
      if (name == "RunScript") {
        if (args.size() == 2 && args[1].ends_with("kMessageKey")) key = Literal(args[0]);
      } else {
        key = Literal(args.back());
      }
      if (key) keys.push_back(*key);
    }
  }
  return keys;
}

TEST(MessageKeys, ListHasNoDuplicates) {
  EXPECT_EQ(ListedKeys().size(), keys::kAllMessageKeys.size());
  EXPECT_TRUE(TakesThreeDoubles("%.1f ms / %5.2lf / %g%%"));
  EXPECT_FALSE(TakesThreeDoubles("%.1f %s %f"));
  EXPECT_FALSE(TakesThreeDoubles("%f %f"));
}

TEST(MessageKeys, ShippedTablesHoldExactlyTheListedKeys) {
  const auto langs = Languages();
  ASSERT_NE(std::find(langs.begin(), langs.end(), "en"), langs.end());
  ASSERT_NE(std::find(langs.begin(), langs.end(), "zh"), langs.end());
  for (const std::string& lang : langs) {
    SCOPED_TRACE(lang);
    // The build's output is the encoded source.
    const std::string stored = test::ReadAll(StringTablePath(kAppDir, lang));
    ASSERT_EQ(stored, Base64Encode(SourceOf(lang))) << "rebuild target orbo_app_files";
    const auto table = ParseProperties(Base64Decode(stored));
    std::set<std::string> keys;
    for (const auto& [key, value] : table) keys.insert(key);
    std::vector<std::string> missing, extra;
    std::set<std::string> listed = ListedKeys();
    std::set_difference(listed.begin(), listed.end(), keys.begin(), keys.end(),
                        std::back_inserter(missing));
    std::set_difference(keys.begin(), keys.end(), listed.begin(), listed.end(),
                        std::back_inserter(extra));
    EXPECT_TRUE(missing.empty()) << "missing: " << testing::PrintToString(missing);
    EXPECT_TRUE(extra.empty()) << "not in message_keys.h: " << testing::PrintToString(extra);
    for (std::string_view key : keys::kAllMessageKeys) {
      EXPECT_FALSE(LookupText(kAppDir, lang, "box", key).empty()) << key;
    }
  }
}

TEST(MessageKeys, TableSourcesFollowTheFormat) {
  for (const std::string& lang : Languages()) {
    SCOPED_TRACE(lang);
    const std::string source = SourceOf(lang);
    ASSERT_TRUE(IsValidUtf8(source));
    EXPECT_FALSE(source.starts_with("\xEF\xBB\xBF"));
    std::istringstream lines(source);
    std::string line;
    for (int number = 1; std::getline(lines, line); ++number) {
      if (line.empty() || line[0] == '#') continue;
      EXPECT_EQ(line.find('\r'), std::string::npos) << "line " << number << " ends in CR";
      EXPECT_EQ(line.find('#'), std::string::npos) << "line " << number << ": \"#\" cuts the value";
      EXPECT_NE(line.find('='), std::string::npos) << "line " << number << " is no key=value";
    }
    const auto table = ParseProperties(source);
    EXPECT_TRUE(TakesThreeDoubles(table.at(keys::kStringFormat))) << table.at(keys::kStringFormat);
    // Texts that need the box word spell it with the placeholder.
    for (const auto& [key, value] : table) {
      std::string lower = ToAsciiLower(value);
      for (size_t at; (at = lower.find("replacebox")) != std::string::npos;) lower.erase(at, 10);
      EXPECT_EQ(lower.find("box"), std::string::npos) << key << " names the box literally";
    }
  }
}

TEST(MessageKeys, KeysUsedByTheCodeAreListed) {
  // Literal keys handed to the lookups; named keys (keys::kX) are checked by
  // the compiler.
  const std::set<std::string> listed = ListedKeys();
  int files = 0;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(
           std::filesystem::path(ORBO_SOURCE_DIR) / "src")) {
    const auto ext = entry.path().extension();
    if (!entry.is_regular_file() || (ext != ".cpp" && ext != ".h" && ext != ".cc")) continue;
    ++files;
    for (const std::string& key : LiteralKeysUsedIn(test::ReadAll(entry.path()))) {
      EXPECT_TRUE(listed.count(key))
          << entry.path() << " uses key \"" << key << "\", missing from message_keys.h";
    }
  }
  EXPECT_GT(files, 10);
  EXPECT_EQ(LiteralKeysUsedIn("ShowKey(\"a\"); x.LookupText(dir, lang, rep, \"b\");\n"
                              "RunScript(\"c\", kMessageKey); RunScript(\"d\", kScript);\n"
                              "MyShowKey(\"e\"); ShowKey(keys::kClose); LookupText(f(\"g\"), k);"),
            (std::vector<std::string>{"a", "b", "c"}));
}

}  // namespace
}  // namespace orbo
