#include "app/window/page_log.h"

#include <cjson/cJSON.h>

#include <memory>

#include "base/utf.h"

namespace orbo {

std::string PageLog::Quote(const std::string& text) {
  std::unique_ptr<cJSON, void (*)(cJSON*)> item(cJSON_CreateString(SanitizeUtf8(text).c_str()),
                                                cJSON_Delete);
  if (!item) return "\"\"";
  std::unique_ptr<char, void (*)(void*)> printed(cJSON_PrintUnformatted(item.get()), cJSON_free);
  return printed ? std::string(printed.get()) : std::string("\"\"");
}

void PageLog::Line(const std::string& json) {
  if (out_ == nullptr) return;
  std::lock_guard<std::mutex> lock(mutex_);
  std::fputs(json.c_str(), out_);
  std::fputc('\n', out_);
  std::fflush(out_);
}

void PageLog::Call(const std::string& v1, const std::string& v2) {
  Line("{\"call\":[" + Quote(v1) + "," + Quote(v2) + "]}");
}
void PageLog::Result(int result) {
  Line("{\"result\":" + std::to_string(result) + "}");
}
void PageLog::Dropped(const std::string& why) {
  Line("{\"dropped\":" + Quote(why) + "}");
}
void PageLog::Script(const std::string& script) {
  Line("{\"script\":" + Quote(script) + "}");
}
void PageLog::Asking(const PromptRecord& record) {
  Line("{\"asking\":" + Quote(record.kind) + ",\"text\":" + Quote(record.text) + "}");
}
void PageLog::Prompt(const PromptRecord& record) {
  Line("{\"prompt\":" + Quote(record.kind) + ",\"text\":" + Quote(record.text) +
       ",\"answer\":" + Quote(record.answer) + "}");
}
void PageLog::Status(const std::string& text) {
  Line("{\"status\":" + Quote(text) + "}");
}

void PageLog::Title(const std::string& title) {
  Line("{\"title\":" + Quote(title) + "}");
}
void PageLog::Loaded(const std::string& uri) {
  Line("{\"loaded\":" + Quote(uri) + "}");
}
void PageLog::Key(const std::string& action) {
  Line("{\"key\":" + Quote(action) + "}");
}
void PageLog::Dialog(const std::string& event, const std::string& comEntry) {
  Line("{\"dialog\":" + Quote(event) + ",\"com\":" + Quote(comEntry) + "}");
}
void PageLog::Screenshot(const std::string& path) {
  Line("{\"screenshot\":" + Quote(path) + "}");
}

void PageLog::Caption(const std::string& name) {
  Line("{\"caption\":" + Quote(name) + "}");
}

void PageLog::AboutOpened(const std::string& title, const std::string& product,
                          const std::string& company) {
  Line("{\"dialog\":\"about\",\"title\":" + Quote(title) + ",\"product\":" + Quote(product) +
       ",\"company\":" + Quote(company) + "}");
}

void PageLog::DialogClosed() {
  Line("{\"dialog\":\"closed\"}");
}

void PageLog::Download(const std::string& outcome) {
  Line("{\"download\":" + Quote(outcome) + "}");
}

void PageLog::ServiceRemoved() {
  Line("{\"service\":\"removed\"}");
}

}  // namespace orbo
