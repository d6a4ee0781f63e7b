#include "cli/page_session.h"

#include <cjson/cJSON.h>

#include <chrono>
#include <cstdio>
#include <memory>
#include <thread>

#include "app/main_frame.h"
#include "app/page_call_text.h"
#include "app/tool_services.h"
#include "cli/page_host_parts.h"
#include "cli/page_output.h"

namespace orbo::cli {
namespace {

struct JsonDeleter {
  void operator()(cJSON* json) const { cJSON_Delete(json); }
};

// The page's process copies booleans, numbers and strings into the message;
// undefined, null, objects and functions are left out.
bool IsCarried(const cJSON* entry) {
  return entry != nullptr &&
         (cJSON_IsBool(entry) || cJSON_IsNumber(entry) || cJSON_IsString(entry));
}

std::string TextOf(const cJSON* entry) {
  return cJSON_IsString(entry) ? std::string(entry->valuestring) : std::string();
}

class Session {
 public:
  Session(PageOutput* out, const PageSessionOptions& options)
      : view_(out),
        clipboard_(out),
        prompts_(out, options.answers, options.files),
        tool_(options.appDir, &view_, &prompts_, &clipboard_, ToolOptions{options.usbSimSocket}),
        pageEditor_(MakeEditorIntegration(options.appDir)),
        core_(tool_.Services()),
        out_(out) {
    // The window opens on the monitor page.
    view_.Navigate(core_.monitorUrl());
    core_.StartWorker();
  }
  ~Session() { core_.StopWorker(); }

  void Line(const std::string& text, int number) {
    if (text.find_first_not_of(" \t\r\n") == std::string::npos) return;
    const char* end = nullptr;
    std::unique_ptr<cJSON, JsonDeleter> json(cJSON_ParseWithOpts(text.c_str(), &end, 1));
    if (!json) return Complain(number, "not a JSON value");
    if (cJSON_IsArray(json.get())) return PageCall(json.get());
    if (cJSON_IsObject(json.get())) {
      const cJSON* button = cJSON_GetObjectItemCaseSensitive(json.get(), "button");
      const cJSON* sleep = cJSON_GetObjectItemCaseSensitive(json.get(), "sleep");
      if (button != nullptr && cJSON_IsString(button)) return Button(button->valuestring, number);
      if (sleep != nullptr && cJSON_IsNumber(sleep)) return Sleep(sleep->valuedouble);
    }
    Complain(number, "expected [\"v1\",\"v2\"], {\"button\":...} or {\"sleep\":MS}");
  }

 private:
  void PageCall(const cJSON* call) {
    const cJSON* v1 = cJSON_GetArrayItem(call, 0);
    const cJSON* v2 = cJSON_GetArrayItem(call, 1);
    // The page's own process answers 23 and 24 without a round trip.
    const int command = ParseCommandNumber(TextOf(v1));
    if (command == 23) return out_->Result(pageEditor_->IsEditorUsable(""));
    if (command == 24) return out_->Result(pageEditor_->LaunchHmiDownload(TextOf(v2)));
    // The UI process takes only messages with exactly two entries.
    if (!IsCarried(v2)) return out_->Ignored();
    out_->Result(core_.HandlePageCall(TextOf(v1), TextOf(v2)));
  }

  void Button(const std::string& name, int number) {
    if (name == "monitor") return core_.OnMonitorButton();
    if (name == "setup") return core_.OnSetupButton();
    Complain(number, "unknown button \"" + name + "\" (monitor or setup)");
  }

  void Sleep(double ms) {
    if (!(ms > 0)) return;
    if (ms > 3600e3) ms = 3600e3;
    std::this_thread::sleep_for(std::chrono::milliseconds(static_cast<int64_t>(ms)));
  }

  void Complain(int number, const std::string& why) {
    std::fprintf(stderr, "orbo-cli page: line %d skipped: %s\n", number, why.c_str());
  }

  HostView view_;
  HostClipboard clipboard_;
  HostPrompts prompts_;
  ToolServices tool_;
  std::unique_ptr<EditorIntegration> pageEditor_;
  MainFrameCore core_;
  PageOutput* out_;
};

}  // namespace

int RunPageSession(std::istream& in, PageOutput* out, const PageSessionOptions& options) {
  Session session(out, options);
  std::string line;
  for (int number = 1; std::getline(in, line); ++number) session.Line(line, number);
  return 0;
}

}  // namespace orbo::cli
