#include "cli/json_line.h"

#include <cstdio>

#include "base/utf.h"

namespace orbo::cli {

void AddJsonText(cJSON* object, const char* name, std::string_view text) {
  cJSON_AddStringToObject(object, name, SanitizeUtf8(text).c_str());
}

std::string JsonLine(const cJSON* object) {
  char* text = cJSON_PrintUnformatted(object);
  if (!text) return "{}";
  std::string line(text);
  cJSON_free(text);
  return line;
}

void PrintJsonLine(const cJSON* object) {
  const std::string line = JsonLine(object);
  std::fwrite(line.data(), 1, line.size(), stdout);
  std::fputc('\n', stdout);
  std::fflush(stdout);
}

}  // namespace orbo::cli
