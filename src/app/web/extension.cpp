// The web-process extension: the page side of the bridge. At every new
// window object of a frame (the main frame or an iframe) that shows one of
// the tool's pages it rereads the settings, sets the page values and defines
// app.jsInvokeCPlusPlus; the commands the page's process answers itself
// (kEditorCheck, kHmiDownload) are answered here, every other call goes to
// the window as a user message.
#include <webkit2/webkit-web-extension.h>

#include <memory>
#include <string>

#include "app/page_process.h"
#include "app/web/bridge_message.h"
#include "app/web/glib_ptr.h"
#include "app/web/jsc_bridge.h"
#include "app/web/page_origin.h"
#include "app/web/page_values.h"
#include "app/web/soft_version.h"
#include "base/logger.h"
#include "formats/lists/server_list.h"
#include "settings/app_settings.h"
#include "settings/time_zone_name.h"

namespace orbo {
namespace {

// Process-wide state of the extension. The web process runs its pages and
// this extension on one thread, so no lock is needed.
struct ExtensionState {
  WebKitWebExtension* extension = nullptr;
  std::filesystem::path appDir;
  std::string monitorUrl;
  std::string timeZoneName;  // read when the process started
  std::unique_ptr<EditorIntegration> editor;
};

ExtensionState& State() {
  static ExtensionState* state = new ExtensionState();  // lives as long as the process
  return *state;
}

bool PageMayUseBridge(const char* uri) {
  return uri != nullptr && IsBridgePage(uri, State().appDir, State().monitorUrl);
}

class ExtensionSink : public PageCallSink {
 public:
  explicit ExtensionSink(guint64 page_id) : page_id_(page_id) {}

  int AnswerInPage(int command, const std::string& arg1) override {
    return AnswerInPageProcess(State().editor.get(), command, arg1);
  }

  void SendToWindow(const CallArgs& args) override {
    WebKitWebPage* page = webkit_web_extension_get_page(State().extension, page_id_);
    if (page == nullptr) return;
    // The page may have moved on (same window object, new address through
    // the history API cannot change the origin, but be strict anyway). The
    // window takes calls only while its main frame shows a bridge page.
    if (!PageMayUseBridge(webkit_web_page_get_uri(page))) {
      ORBO_LOG_WARN("page call from a page outside the tool dropped");
      return;
    }
    WebKitUserMessage* message = webkit_user_message_new(kPageCallMessage, EncodeCallArgs(args));
    webkit_web_page_send_message_to_view(page, message, nullptr, nullptr, nullptr);
  }

 private:
  const guint64 page_id_;
};

void OnWindowObjectCleared(WebKitScriptWorld* world, WebKitWebPage* page, WebKitFrame* frame,
                           gpointer) {
  // Every script context of the tool's own pages gets the bridge, iframes
  // included; the frame's own address decides, so a foreign frame inside a
  // tool page gets nothing.
  const char* uri = webkit_frame_get_uri(frame);
  if (!PageMayUseBridge(uri)) {
    ORBO_LOG_DEBUG("no bridge for %s", uri != nullptr ? uri : "(no address)");
    return;
  }
  const ExtensionState& state = State();
  AppSettings settings;
  LoadSettings(state.appDir, &settings);
  if (settings.timeZoneName.empty()) settings.timeZoneName = state.timeZoneName;
  const std::vector<PageValue> values = BuildPageValues(
      settings, BuildServerList(state.appDir), ReadCurServer(state.appDir),
      ReadSoftVersion(state.appDir, ORBO_VERSION));

  GObjectPtr<JSCContext> ctx(webkit_frame_get_js_context_for_script_world(frame, world));
  SetPageValues(ctx.get(), values);
  InstallMyObject(ctx.get());
  InstallBridge(ctx.get(), std::make_shared<ExtensionSink>(webkit_web_page_get_id(page)));
}

void OnMessageFromWindow(WebKitWebExtension*, WebKitUserMessage* message, gpointer) {
  if (g_strcmp0(webkit_user_message_get_name(message), kMonitorAddressMessage) != 0) return;
  GVariant* parameters = webkit_user_message_get_parameters(message);
  if (parameters != nullptr && g_variant_is_of_type(parameters, G_VARIANT_TYPE_STRING)) {
    State().monitorUrl = g_variant_get_string(parameters, nullptr);
  }
}

}  // namespace
}  // namespace orbo

extern "C" G_MODULE_EXPORT void webkit_web_extension_initialize_with_user_data(
    WebKitWebExtension* extension, const GVariant* user_data) {
  using namespace orbo;
  ExtensionConfig config;
  if (!DecodeExtensionConfig(const_cast<GVariant*>(user_data), &config)) {
    // Without its app directory the extension cannot tell the tool's pages
    // from others, so it gives no page the bridge.
    ORBO_LOG_ERROR("web extension started without its configuration; bridge disabled");
    return;
  }
  ExtensionState& state = State();
  state.extension = extension;
  state.appDir = config.appDir;
  state.monitorUrl = config.monitorUrl;
  state.timeZoneName = SystemTimeZoneName();
  state.editor = MakeEditorIntegration(state.appDir);
  g_signal_connect(webkit_script_world_get_default(), "window-object-cleared",
                   G_CALLBACK(OnWindowObjectCleared), nullptr);
  g_signal_connect(extension, "user-message-received", G_CALLBACK(OnMessageFromWindow), nullptr);
}
