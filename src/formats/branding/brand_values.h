// The values a certificate package brands the tool with: the names from
// "company.info" and the cloud address made from its domain.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace orbo {

// Names and the cloud address are cut to this many characters.
inline constexpr size_t kBrandValueMaxChars = 259;

// A name that becomes part of a file name or a settings line: nullopt when it
// is empty, starts with a dot, or holds a path separator, a control character
// or a line break (or is not UTF-8); else the name cut to 259 characters.
std::optional<std::string> SafeBrandName(std::string_view name);

// True for a name another application has (a program or a launcher).
using NameTaken = std::function<bool(std::string_view)>;
// The tool name, which names the program and its launchers: a
// SafeBrandName that is not taken (taken may be empty: nothing is taken).
std::optional<std::string> SafeToolName(std::string_view name, const NameTaken& taken);

// The members of "company.info"; each is absent when the member is missing
// or not a string. Member names match without regard to ASCII case and the
// first match counts.
struct CompanyInfo {
  std::optional<std::string> companyName;  // "company_name_zh"
  std::optional<std::string> boxName;      // "box_name_zh"
  std::optional<std::string> toolName;     // "tool_name"
  std::optional<std::string> domainName;   // "domain_name"
};

// False when json is not a JSON object.
bool ParseCompanyInfo(std::string_view json, CompanyInfo* info);

// The cloud address for a "domain_name": the text itself when it holds
// "http://" anywhere, else "http://" put in front; cut to 259 characters.
std::string CloudAddressFor(std::string_view domain_name);

}  // namespace orbo
