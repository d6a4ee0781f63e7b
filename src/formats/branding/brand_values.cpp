#include "formats/branding/brand_values.h"

#include <cjson/cJSON.h>

#include <memory>

#include "base/utf.h"

namespace orbo {
namespace {

struct JsonFree {
  void operator()(cJSON* j) const { cJSON_Delete(j); }
};

std::optional<std::string> StringMember(const cJSON* object, const char* name) {
  // cJSON_GetObjectItem ignores letter case and returns the first match.
  const cJSON* item = cJSON_GetObjectItem(object, name);
  if (!cJSON_IsString(item) || item->valuestring == nullptr) return std::nullopt;
  return std::string(item->valuestring);
}

}  // namespace

std::optional<std::string> SafeBrandName(std::string_view name) {
  if (name.empty() || name.front() == '.' || !IsValidUtf8(name)) return std::nullopt;
  size_t pos = 0;
  char32_t cp = 0;
  while (pos < name.size()) {
    NextCodePoint(name, &pos, &cp);
    const bool control = cp < 0x20 || (cp >= 0x7F && cp <= 0x9F) || cp == 0x2028 || cp == 0x2029;
    if (control || cp == '/' || cp == '\\') return std::nullopt;
  }
  return Utf8Truncate(name, kBrandValueMaxChars);
}

std::optional<std::string> SafeToolName(std::string_view name, const NameTaken& taken) {
  std::optional<std::string> safe = SafeBrandName(name);
  if (safe && taken && taken(*safe)) return std::nullopt;
  return safe;
}

bool ParseCompanyInfo(std::string_view json, CompanyInfo* info) {
  std::unique_ptr<cJSON, JsonFree> root(cJSON_ParseWithLength(json.data(), json.size()));
  if (!cJSON_IsObject(root.get())) return false;
  info->companyName = StringMember(root.get(), "company_name_zh");
  info->boxName = StringMember(root.get(), "box_name_zh");
  info->toolName = StringMember(root.get(), "tool_name");
  info->domainName = StringMember(root.get(), "domain_name");
  return true;
}

std::string CloudAddressFor(std::string_view domain_name) {
  std::string address(domain_name);
  if (address.find("http://") == std::string::npos) address.insert(0, "http://");
  return Utf8Truncate(SanitizeUtf8(address), kBrandValueMaxChars);
}

}  // namespace orbo
