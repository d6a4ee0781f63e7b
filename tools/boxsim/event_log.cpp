#include "event_log.h"

#include <cjson/cJSON.h>

namespace boxsim {

bool EventLog::Open(const std::string& path) {
  if (path.empty()) return true;
  file_ = std::fopen(path.c_str(), "a");
  return file_ != nullptr;
}

EventLog::~EventLog() {
  if (file_) std::fclose(file_);
}

void EventLog::Write(cJSON* obj) {
  char* text = cJSON_PrintUnformatted(obj);
  cJSON_Delete(obj);
  if (!text) return;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (file_) {
      std::fprintf(file_, "%s\n", text);
      std::fflush(file_);
    }
  }
  cJSON_free(text);
}

void EventLog::Command(const char* transport, const std::string& command) {
  cJSON* obj = cJSON_CreateObject();
  cJSON_AddStringToObject(obj, "transport", transport);
  cJSON_AddStringToObject(obj, "command", command.c_str());
  Write(obj);
}

void EventLog::Event(const char* event, const std::string& name, long long size, int ok) {
  cJSON* obj = cJSON_CreateObject();
  cJSON_AddStringToObject(obj, "event", event);
  if (!name.empty()) cJSON_AddStringToObject(obj, "name", name.c_str());
  if (size >= 0) cJSON_AddNumberToObject(obj, "size", static_cast<double>(size));
  if (ok >= 0) cJSON_AddBoolToObject(obj, "ok", ok != 0);
  Write(obj);
}

}  // namespace boxsim
