#include "cli/page_output.h"

#include <cjson/cJSON.h>

#include <memory>

#include "base/utf.h"

namespace orbo::cli {
namespace {

struct JsonDeleter {
  void operator()(cJSON* json) const { cJSON_Delete(json); }
};
using JsonPtr = std::unique_ptr<cJSON, JsonDeleter>;

// Texts may carry bytes from a box; JSON output must be valid UTF-8.
void AddString(cJSON* object, const char* name, const std::string& value) {
  cJSON_AddItemToObject(object, name, cJSON_CreateString(SanitizeUtf8(value).c_str()));
}

}  // namespace

void PageOutput::WriteLine(const char* line) {
  std::lock_guard<std::mutex> lock(mutex_);
  std::fprintf(out_, "%s\n", line);
  std::fflush(out_);
}

void PageOutput::WriteObject(const cJSON* object) {
  std::unique_ptr<char, decltype(&cJSON_free)> text(cJSON_PrintUnformatted(object), cJSON_free);
  WriteLine(text.get());
}

void PageOutput::StringLine(const char* name, const std::string& value) {
  JsonPtr line(cJSON_CreateObject());
  AddString(line.get(), name, value);
  WriteObject(line.get());
}

void PageOutput::Script(const std::string& script) {
  StringLine("script", script);
}
void PageOutput::Navigate(const std::string& url) {
  StringLine("navigate", url);
}
void PageOutput::Clipboard(const std::string& text) {
  StringLine("clipboard", text);
}

void PageOutput::Status(const std::string& text) {
  StringLine("status", text);
}

void PageOutput::Result(int result) {
  WriteLine(("{\"result\":" + std::to_string(result) + "}").c_str());
}

void PageOutput::Ignored() {
  WriteLine("{\"result\":null}");
}

void PageOutput::Prompt(const std::string& kind, const std::string& text,
                        const std::string& answer) {
  JsonPtr line(cJSON_CreateObject());
  AddString(line.get(), "prompt", kind);
  AddString(line.get(), "text", text);
  AddString(line.get(), "answer", answer);
  WriteObject(line.get());
}

void PageOutput::Branding(int result, const std::string& restart_program) {
  JsonPtr line(cJSON_CreateObject());
  cJSON_AddNumberToObject(line.get(), "branding", result);
  if (!restart_program.empty()) AddString(line.get(), "restart", restart_program);
  WriteObject(line.get());
}

}  // namespace orbo::cli
