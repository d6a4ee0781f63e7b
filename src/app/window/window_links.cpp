// The main window's view and its pages: loads, page calls from the
// extension, the monitor address the extension knows, titles, pop-up links
// (to the user's browser), failed loads and the missing context menu.
#include "app/web/bridge_message.h"
#include "app/web/call_arguments.h"
#include "app/web/page_origin.h"
#include "app/window/load_error_page.h"
#include "app/window/main_window.h"
#include "base/logger.h"

namespace orbo {

void MainWindow::HandlePageMessage(WebKitUserMessage* message) {
  const char* uri = webkit_web_view_get_uri(view_);
  // The extension gives only the tool's pages the bridge; a message from
  // any other page is not acted on either.
  if (uri == nullptr || !IsBridgePage(uri, appDir_, core_->monitorUrl())) {
    log_->Dropped("page call from a page outside the tool");
    ORBO_LOG_WARN("page call from %s dropped", uri != nullptr ? uri : "(no page)");
    return;
  }
  const CallArgs args = DecodeCallArgs(webkit_user_message_get_parameters(message));
  std::string v1, v2;
  if (!ReadPageCall(args, &v1, &v2)) {
    log_->Dropped("page call with " + std::to_string(args.size()) + " entries");
    return;
  }
  log_->Call(v1, v2);
  MainFrameCore* core = core_.get();
  PageLog* log = log_;
  dispatcher_.Post([core, log, v1, v2] { log->Result(core->HandlePageCall(v1, v2)); });
}

void MainWindow::SyncMonitorAddress() {
  if (!core_) return;
  const std::string monitor = core_->monitorUrl();
  if (monitor == sentMonitorUrl_) return;
  sentMonitorUrl_ = monitor;
  // Sent before the load request, so the page process knows the address
  // before the new page's window object appears.
  webkit_web_context_send_message_to_all_extensions(
      context_,
      webkit_user_message_new(kMonitorAddressMessage, g_variant_new_string(monitor.c_str())));
}

void MainWindow::OnLoadChanged(WebKitWebView* view, WebKitLoadEvent event, gpointer self) {
  auto* window = static_cast<MainWindow*>(self);
  window->page_->OnLoadChanged(event);
  if (event != WEBKIT_LOAD_FINISHED) return;
  const char* uri = webkit_web_view_get_uri(view);
  window->log_->Loaded(uri != nullptr ? uri : "");
}

gboolean MainWindow::OnUserMessage(WebKitWebView*, WebKitUserMessage* message, gpointer self) {
  if (g_strcmp0(webkit_user_message_get_name(message), kPageCallMessage) != 0) return FALSE;
  static_cast<MainWindow*>(self)->HandlePageMessage(message);
  return TRUE;
}

void MainWindow::OnTitleChanged(GObject*, GParamSpec*, gpointer self) {
  auto* window = static_cast<MainWindow*>(self);
  const char* title = webkit_web_view_get_title(window->view_);
  if (title != nullptr) window->log_->Title(title);
}

gboolean MainWindow::OnContextMenu(WebKitWebView*, WebKitContextMenu*, GdkEvent*,
                                   WebKitHitTestResult*, gpointer) {
  return TRUE;  // the tool's pages have no context menu
}

GtkWidget* MainWindow::OnCreate(WebKitWebView*, WebKitNavigationAction* action, gpointer self) {
  // New windows (window.open, target=_blank links) open in the user's web
  // browser, never inside the tool.
  auto* window = static_cast<MainWindow*>(self);
  WebKitURIRequest* request = webkit_navigation_action_get_request(action);
  const char* uri = request != nullptr ? webkit_uri_request_get_uri(request) : nullptr;
  if (uri != nullptr && uri[0] != '\0' && window->tool_) window->tool_->OpenInBrowser(uri);
  return nullptr;
}

gboolean MainWindow::OnLoadFailed(WebKitWebView* view, WebKitLoadEvent, gchar* uri, GError* error,
                                  gpointer) {
  // A load the page or the tool itself stopped (a new navigation, a
  // download) is not a failure to show.
  if (g_error_matches(error, WEBKIT_NETWORK_ERROR, WEBKIT_NETWORK_ERROR_CANCELLED) ||
      g_error_matches(error, WEBKIT_POLICY_ERROR,
                      WEBKIT_POLICY_ERROR_FRAME_LOAD_INTERRUPTED_BY_POLICY_CHANGE)) {
    return FALSE;
  }
  const std::string address = uri != nullptr ? uri : "";
  const std::string html = LoadErrorPageHtml(address, error != nullptr ? error->message : "",
                                             error != nullptr ? error->code : 0);
  webkit_web_view_load_alternate_html(view, html.c_str(), address.c_str(), address.c_str());
  return TRUE;
}

void MainWindow::OnInitializeExtensions(WebKitWebContext* context, gpointer self) {
  auto* window = static_cast<MainWindow*>(self);
  ExtensionConfig config;
  config.appDir = window->appDir_.string();
  config.monitorUrl = window->core_ ? window->core_->monitorUrl() : std::string();
  window->sentMonitorUrl_ = config.monitorUrl;
  webkit_web_context_set_web_extensions_initialization_user_data(context,
                                                                 EncodeExtensionConfig(config));
}

}  // namespace orbo
