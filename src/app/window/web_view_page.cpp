#include "app/window/web_view_page.h"

#include "app/web/page_origin.h"
#include "base/logger.h"

namespace orbo {
namespace {

void OnScriptFinished(GObject* source, GAsyncResult* result, gpointer) {
  GError* error = nullptr;
  JSCValue* value =
      webkit_web_view_evaluate_javascript_finish(WEBKIT_WEB_VIEW(source), result, &error);
  if (value != nullptr) g_object_unref(value);
  if (error != nullptr) {
    // A page without the function the script calls is not an error of the
    // tool; keep it to the debug trace.
    ORBO_LOG_DEBUG("page script failed: %s", error->message);
    g_error_free(error);
  }
}

}  // namespace

WebViewPage::WebViewPage(WebKitWebView* view, GtkUiThread* ui, std::string script_uri)
    : ui_(ui), script_uri_(std::move(script_uri)), view_(view) {}

const char* WebViewPage::PlaceholderHtml() {
  return "<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title></title></head>"
         "<body style=\"font-family:sans-serif;color:#555;margin:3em\">"
         "<p>No monitoring address is configured.</p></body></html>";
}

void WebViewPage::Evaluate(const std::string& script) {
  ui_->Post([this, script] {
    if (view_ == nullptr || !has_page_) return;
    if (script_observer_) script_observer_(script);
    webkit_web_view_evaluate_javascript(view_, script.data(), static_cast<gssize>(script.size()),
                                        nullptr, script_uri_.c_str(), nullptr, OnScriptFinished,
                                        nullptr);
  });
}

void WebViewPage::Navigate(const std::string& url) {
  ready_ = false;
  ui_->Post([this, url] { NavigateNow(url); });
}

void WebViewPage::NavigateNow(const std::string& url) {
  if (view_ == nullptr) return;
  if (before_navigate_) before_navigate_();
  ready_ = false;
  const bool same = navigated_ && url == last_address_;
  last_address_ = url;
  navigated_ = true;
  if (url.empty()) {
    webkit_web_view_load_html(view_, PlaceholderHtml(), "about:blank");
  } else if (same) {
    webkit_web_view_reload_bypass_cache(view_);
  } else {
    webkit_web_view_load_uri(view_, PageAddressToUri(url).c_str());
  }
}

void WebViewPage::OnLoadChanged(WebKitLoadEvent event) {
  switch (event) {
    case WEBKIT_LOAD_STARTED:
      ready_ = false;
      break;
    case WEBKIT_LOAD_COMMITTED:
      has_page_ = true;
      break;
    case WEBKIT_LOAD_FINISHED:
      ready_ = true;
      break;
    default:
      break;
  }
}

}  // namespace orbo
