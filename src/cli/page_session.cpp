#include "cli/page_session.h"

#include <cjson/cJSON.h>

#include <chrono>
#include <cstdio>
#include <memory>
#include <optional>
#include <thread>
#include <vector>

#include "app/branding_step.h"
#include "app/main_frame.h"
#include "app/page_process.h"
#include "app/tool_services.h"
#include "app/web/call_arguments.h"
#include "cli/page_host_parts.h"
#include "cli/page_output.h"

namespace orbo::cli {
namespace {

struct JsonDeleter {
  void operator()(cJSON* json) const { cJSON_Delete(json); }
};

// The call as the page's process copies it: booleans, numbers and strings
// keep their type; null, objects and arrays leave their place empty.
CallArgs CopyJsonCall(const cJSON* call) {
  std::vector<PageArg> args;
  for (const cJSON* entry = call->child; entry != nullptr; entry = entry->next) {
    PageArg arg;
    if (cJSON_IsBool(entry)) {
      arg.type = PageArg::Type::kBoolean;
      arg.boolean = cJSON_IsTrue(entry);
    } else if (cJSON_IsNumber(entry)) {
      arg.type = PageArg::Type::kNumber;
      arg.number = entry->valuedouble;
    } else if (cJSON_IsString(entry)) {
      arg.type = PageArg::Type::kString;
      arg.text = entry->valuestring;
    }
    args.push_back(std::move(arg));
  }
  return CopyCallArgs(args);
}

class Session {
 public:
  Session(PageOutput* out, const PageSessionOptions& options)
      : view_(out),
        clipboard_(out),
        prompts_(out, options.answers, options.files),
        status_(out),
        tool_(options.appDir, &view_, &prompts_, &clipboard_,
              ToolOptions{options.usbSimSocket, options.virtualPort, &status_, options.programDir,
                          options.company}),
        pageEditor_(MakeEditorIntegration(options.appDir)),
        core_(tool_.Services()),
        out_(out) {
    // The window opens on the monitor page; the browser list is built
    // once it is there, as the window does.
    view_.Navigate(core_.monitorUrl());
    tool_.DetectBrowsers();
    core_.StartWorker();
    tool_.StartVirtualPort();
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
  // Read by the same rules as the page's process and the window: the page
  // process answers its own commands, the window takes only lists of
  // exactly two entries.
  void PageCall(const cJSON* call) {
    const CallArgs args = CopyJsonCall(call);
    if (const std::optional<int> command = AnsweredInPage(args))
      return out_->Result(AnswerInPageProcess(pageEditor_.get(), *command, ArgText(args, 1)));
    std::string v1, v2;
    if (!ReadPageCall(args, &v1, &v2)) return out_->Ignored();
    out_->Result(core_.HandlePageCall(v1, v2));
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
  HostStatus status_;
  ToolServices tool_;
  std::unique_ptr<EditorIntegration> pageEditor_;
  MainFrameCore core_;
  PageOutput* out_;
};

}  // namespace

int RunPageSession(std::istream& in, PageOutput* out, const PageSessionOptions& given) {
  PageSessionOptions options = given;
  {
    // The window's start-up: branding before the page. The host plays the
    // desktop tool, so the program the tool name renames is "orbo"; a
    // restart is reported, not carried out.
    HostPrompts prompts(out, options.answers, options.files);
    const std::filesystem::path programs =
        options.programDir.empty() ? options.appDir : options.programDir;
    const BrandingStep step =
        RunBrandingStep(options.appDir, programs / "orbo", options.installed, &prompts);
    if (step.result != 0 || step.restart) {
      out->Branding(step.result, step.restart ? step.program.string() : "");
      return step.result != 0 ? 1 : 0;
    }
    options.company = step.settings.comp;
  }
  Session session(out, options);
  std::string line;
  for (int number = 1; std::getline(in, line); ++number) session.Line(line, number);
  return 0;
}

}  // namespace orbo::cli
