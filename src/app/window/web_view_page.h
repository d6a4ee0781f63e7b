// PageView over a WebKit web view. Evaluate and Navigate may be called from
// any thread and never wait: the work is handed to the UI thread in order.
#pragma once

#include <webkit2/webkit2.h>

#include <atomic>
#include <functional>
#include <string>

#include "bridge/page.h"
#include "platform/gtk/gtk_ui_thread.h"

namespace orbo {

class WebViewPage : public PageView {
 public:
  // view is borrowed; call Detach() before it goes away. script_uri is the
  // address scripts are reported under (the tool's first page).
  WebViewPage(WebKitWebView* view, GtkUiThread* ui, std::string script_uri);
  WebViewPage(const WebViewPage&) = delete;
  WebViewPage& operator=(const WebViewPage&) = delete;

  // Set before use. Called on the UI thread for every script actually run.
  void SetScriptObserver(std::function<void(const std::string&)> observer) {
    script_observer_ = std::move(observer);
  }
  // Set before use. Called on the UI thread right before each load starts.
  void SetBeforeNavigate(std::function<void()> hook) { before_navigate_ = std::move(hook); }

  // Runs script in the main frame, in call order. Dropped while no page has
  // been committed yet and after Detach.
  void Evaluate(const std::string& script) override;
  // Loads url (a path without a scheme is a local file); the same address
  // as last time reloads it bypassing the cache. An empty address shows a
  // small local page saying that no address is configured.
  void Navigate(const std::string& url) override;
  // False from a Navigate call until that load has finished.
  bool IsReady() const override { return ready_; }

  // UI thread: WebKit's load-changed signal, forwarded by the window.
  void OnLoadChanged(WebKitLoadEvent event);
  // UI thread: the view is going away; later work is dropped.
  void Detach() { view_ = nullptr; }

  // The page shown for an empty address.
  static const char* PlaceholderHtml();

 private:
  void NavigateNow(const std::string& url);

  GtkUiThread* const ui_;
  const std::string script_uri_;
  std::function<void(const std::string&)> script_observer_;
  std::function<void()> before_navigate_;
  WebKitWebView* view_;       // UI thread only
  std::string last_address_;  // UI thread only
  bool navigated_ = false;    // UI thread only
  bool has_page_ = false;     // UI thread only: a load has committed
  std::atomic<bool> ready_{false};
};

}  // namespace orbo
