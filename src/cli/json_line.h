// JSON objects printed one a line: what orbo-cli --json writes.
#pragma once

#include <cjson/cJSON.h>

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace orbo::cli {

using JsonPtr = std::unique_ptr<cJSON, decltype(&cJSON_Delete)>;

inline JsonPtr NewJsonObject() {
  return JsonPtr(cJSON_CreateObject(), cJSON_Delete);
}

// Adds a string member; the text is made valid UTF-8 first (bytes that are
// not UTF-8 become U+FFFD), so box text cannot break the line.
void AddJsonText(cJSON* object, const char* name, std::string_view text);

// The object as one line of compact JSON, without the line feed.
std::string JsonLine(const cJSON* object);

// Prints the object as one line on stdout and flushes it; callers from
// several threads must hold their own lock.
void PrintJsonLine(const cJSON* object);

}  // namespace orbo::cli
