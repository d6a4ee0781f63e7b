#include "app/window/main_window.h"

#include <cjson/cJSON.h>

#include "app/dialogs/vircom_config_dialog.h"
#include "app/web/bridge_message.h"
#include "app/web/call_arguments.h"
#include "app/web/glib_ptr.h"
#include "app/web/page_origin.h"
#include "app/window/load_error_page.h"
#include "app/window/window_keys.h"
#include "base/logger.h"
#include "settings/app_settings.h"
#include "settings/message_keys.h"
#include "settings/string_table.h"

namespace orbo {
namespace {

constexpr int kDefaultWidth = 1024;
constexpr int kDefaultHeight = 720;
constexpr guint kScreenshotDelayMs = 300;

std::string FirstPageUri(const std::filesystem::path& appDir) {
  return PageAddressToUri((appDir / "html" / "first_page.html").string());
}

}  // namespace

MainWindow::MainWindow(const WindowOptions& options, std::filesystem::path appDir,
                       std::filesystem::path exeDir, PageLog* log)
    : options_(options),
      appDir_(std::move(appDir)),
      exeDir_(std::move(exeDir)),
      log_(log),
      prompts_(&ui_),
      clipboard_(&ui_) {
  if (options_.autoAnswer) {
    answers_ = std::make_unique<PromptAnswers>(options_.answers, options_.files);
    prompts_.SetAnswers(answers_.get());
  }
  if (log_->enabled()) {
    prompts_.SetObserver([log = log_](const PromptRecord& record) { log->Prompt(record); });
    prompts_.SetShownObserver([log = log_](const PromptRecord& record) { log->Asking(record); });
  }

  // Web data (storage, cache) lives under the temporary folder; nothing is
  // written beside the tool.
  const std::string data_dir = (std::filesystem::path(g_get_tmp_dir()) / "orbo-web").string();
  GObjectPtr<WebKitWebsiteDataManager> data(webkit_website_data_manager_new(
      "base-data-directory", data_dir.c_str(), "base-cache-directory", data_dir.c_str(), nullptr));
  context_ = webkit_web_context_new_with_website_data_manager(data.get());
  webkit_web_context_set_web_extensions_directory(context_, exeDir_.c_str());
  g_signal_connect(context_, "initialize-web-extensions", G_CALLBACK(OnInitializeExtensions), this);

  AppSettings settings;
  LoadSettings(appDir_, &settings);
  BuildWidgets(settings);

  page_ = std::make_unique<WebViewPage>(view_, &ui_, FirstPageUri(appDir_));
  if (log_->enabled()) {
    page_->SetScriptObserver([log = log_](const std::string& script) { log->Script(script); });
  }
  page_->SetBeforeNavigate([this] { SyncMonitorAddress(); });
  tool_ = std::make_unique<ToolServices>(
      appDir_, page_.get(), &prompts_, &clipboard_,
      ToolOptions{options.usbSim, options.virtualPort, &statusLine_});
  core_ = std::make_unique<MainFrameCore>(tool_->Services());
  prompts_.SetButtonLabels([this] {
    if (!tool_) return GtkPrompts::ButtonLabels{};
    SettingsStore& settings = tool_->settings();
    return GtkPrompts::ButtonLabels{settings.LookupText(keys::kBtnOk),
                                    settings.LookupText(keys::kBtnYes),
                                    settings.LookupText(keys::kBtnNo)};
  });
  prompts_.SetParent(GTK_WINDOW(window_));
}

MainWindow::~MainWindow() {
  Shutdown();
  if (context_ != nullptr) g_object_unref(context_);
}

GtkWidget* MainWindow::MakeButton(const AppSettings& settings, const char* key,
                                  const char* fallback, GCallback clicked) {
  // Tips come from the string tables, like the caption buttons' tips.
  std::string tip = LookupText(appDir_, settings.lang, settings.rep, key);
  if (tip.empty()) tip = fallback;
  GtkWidget* button = gtk_button_new_with_label(fallback);
  gtk_widget_set_tooltip_text(button, tip.c_str());
  g_signal_connect(button, "clicked", clicked, this);
  return button;
}

void MainWindow::BuildWidgets(const AppSettings& settings) {
  window_ = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  gtk_window_set_title(GTK_WINDOW(window_), settings.name.c_str());
  gtk_window_set_default_size(GTK_WINDOW(window_), kDefaultWidth, kDefaultHeight);
  g_signal_connect(window_, "delete-event", G_CALLBACK(OnDeleteEvent), this);

  GtkWidget* box = gtk_box_new(GTK_ORIENTATION_VERTICAL, 0);
  GtkWidget* bar = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 4);
  gtk_container_set_border_width(GTK_CONTAINER(bar), 4);
  gtk_box_pack_end(GTK_BOX(bar),
                   MakeButton(settings, "button_config", "Config", G_CALLBACK(OnConfigClicked)),
                   FALSE, FALSE, 0);
  gtk_box_pack_end(GTK_BOX(bar),
                   MakeButton(settings, "button_setup", "Setup", G_CALLBACK(OnSetupClicked)), FALSE,
                   FALSE, 0);
  gtk_box_pack_end(GTK_BOX(bar),
                   MakeButton(settings, "button_monitor", "Monitor", G_CALLBACK(OnMonitorClicked)),
                   FALSE, FALSE, 0);
  gtk_box_pack_start(GTK_BOX(box), bar, FALSE, FALSE, 0);

  view_ = WEBKIT_WEB_VIEW(webkit_web_view_new_with_context(context_));
  WebKitSettings* web_settings = webkit_web_view_get_settings(view_);
  // The tool's pages are local files that fetch from each other and from
  // the box; the browser host always ran them without web security.
  webkit_settings_set_allow_file_access_from_file_urls(web_settings, TRUE);
  webkit_settings_set_allow_universal_access_from_file_urls(web_settings, TRUE);
  g_signal_connect(view_, "load-changed", G_CALLBACK(OnLoadChanged), this);
  g_signal_connect(view_, "user-message-received", G_CALLBACK(OnUserMessage), this);
  g_signal_connect(view_, "notify::title", G_CALLBACK(OnTitleChanged), this);
  g_signal_connect(view_, "context-menu", G_CALLBACK(OnContextMenu), this);
  g_signal_connect(view_, "create", G_CALLBACK(OnCreate), this);
  g_signal_connect(view_, "load-failed", G_CALLBACK(OnLoadFailed), this);
  g_signal_connect(view_, "key-press-event", G_CALLBACK(OnKeyPress), this);
  gtk_box_pack_start(GTK_BOX(box), GTK_WIDGET(view_), TRUE, TRUE, 0);
  statusBar_ = gtk_statusbar_new();
  gtk_box_pack_end(GTK_BOX(box), statusBar_, FALSE, FALSE, 0);
  gtk_container_add(GTK_CONTAINER(window_), box);
}

void MainWindow::StatusLine::ShowStatusText(const std::string& text) {
  MainWindow* w = window_;
  w->ui_.Post([w, text] {
    if (w->statusBar_ == nullptr) return;
    GtkStatusbar* bar = GTK_STATUSBAR(w->statusBar_);
    gtk_statusbar_remove_all(bar, 0);
    gtk_statusbar_push(bar, 0, text.c_str());
    w->log_->Status(text);
  });
}

int MainWindow::Run() {
  gtk_widget_show_all(window_);
  // The browser list is built once the window is shown.
  tool_->DetectBrowsers();
  if (options_.benchRunScript > 0) {
    bench_ = std::make_unique<RunScriptBench>(
        webkit_web_view_get_user_content_manager(view_), &ui_,
        [this](const std::string& script) { core_->RunScript(script, kScript); },
        options_.benchRunScript,
        [this](int status) {
          exitStatus_ = status;
          RequestClose();
        });
    const std::string base = PageAddressToUri((appDir_ / "html" / "bench.html").string());
    webkit_web_view_load_html(view_, RunScriptBench::PageHtml(), base.c_str());
  } else {
    gtk_window_maximize(GTK_WINDOW(window_));
    // The view opens on the monitor page, where currentPage starts too.
    page_->Navigate(core_->monitorUrl());
  }
  core_->StartWorker();
  // The virtual port is made once the window shows, on a thread of its own.
  tool_->StartVirtualPort();
  if (options_.start == "setup") PressButton(true);
  if (options_.start == "monitor") PressButton(false);
  if (options_.exitAfterMs >= 0) {
    exitTimer_ = g_timeout_add(static_cast<guint>(options_.exitAfterMs), OnExitTimer, this);
  }
  if (options_.control) {
    control_ = g_io_channel_unix_new(0);
    g_io_channel_set_encoding(control_, nullptr, nullptr);
    controlWatch_ = g_io_add_watch(
        control_, static_cast<GIOCondition>(G_IO_IN | G_IO_HUP | G_IO_ERR), OnControlInput, this);
  }
  gtk_main();
  Shutdown();
  return exitStatus_;
}

void MainWindow::PressButton(bool setup) {
  MainFrameCore* core = core_.get();
  dispatcher_.Post([core, setup] {
    if (setup) {
      core->OnSetupButton();
    } else {
      core->OnMonitorButton();
    }
  });
}

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

bool MainWindow::WriteScreenshot(const std::string& path) {
  GdkWindow* window = gtk_widget_get_window(window_);
  if (window == nullptr) return false;
  int x = 0, y = 0;
  gdk_window_get_origin(window, &x, &y);
  const int width = gdk_window_get_width(window);
  const int height = gdk_window_get_height(window);
  // Read from the screen, so a dialog over the window is in the picture.
  GObjectPtr<GdkPixbuf> pixbuf(
      gdk_pixbuf_get_from_window(gdk_get_default_root_window(), x, y, width, height));
  if (!pixbuf) return false;
  GError* error = nullptr;
  if (!gdk_pixbuf_save(pixbuf.get(), path.c_str(), "png", &error, nullptr)) {
    ORBO_LOG_ERROR("screenshot %s: %s", path.c_str(), error != nullptr ? error->message : "");
    if (error != nullptr) g_error_free(error);
    return false;
  }
  log_->Screenshot(path);
  return true;
}

void MainWindow::RequestClose() {
  if (closing_) return;
  closing_ = true;
  if (!options_.screenshot.empty()) WriteScreenshot(options_.screenshot);
  // A dialog on screen (asked by the worker or a page call) is closed as
  // Cancel/No, and later questions are answered the same way at once, so
  // the threads that wait for them can finish.
  prompts_.CancelAll();
  // The settings dialog runs a loop of its own inside the main loop: it
  // must end before the main loop can.
  if (configDialog_ != nullptr) DriveVirComConfigDialog(configDialog_, "close", "");
  gtk_main_quit();
}

void MainWindow::Shutdown() {
  if (shutDown_) return;
  shutDown_ = true;
  closing_ = true;
  prompts_.CancelAll();
  // From here on nothing runs on the UI thread for other threads: queued
  // scripts are dropped and blocked callers are released.
  ui_.Shutdown();
  if (exitTimer_ != 0) g_source_remove(exitTimer_);
  exitTimer_ = 0;
  if (controlWatch_ != 0) g_source_remove(controlWatch_);
  controlWatch_ = 0;
  if (control_ != nullptr) g_io_channel_unref(control_);
  control_ = nullptr;
  bench_.reset();
  if (core_) core_->StopWorker();
  dispatcher_.Stop();
  core_.reset();
  if (tool_) finalSettings_ = tool_->settings().Get();
  tool_.reset();
  if (page_) page_->Detach();
  if (window_ != nullptr) gtk_widget_destroy(window_);
  window_ = nullptr;
  view_ = nullptr;
  statusBar_ = nullptr;
}

gboolean MainWindow::OnDeleteEvent(GtkWidget*, GdkEvent*, gpointer self) {
  static_cast<MainWindow*>(self)->RequestClose();
  return TRUE;  // the window is destroyed by Shutdown, after the threads ended
}

void MainWindow::OnLoadChanged(WebKitWebView* view, WebKitLoadEvent event, gpointer self) {
  auto* window = static_cast<MainWindow*>(self);
  window->page_->OnLoadChanged(event);
  if (event != WEBKIT_LOAD_FINISHED) return;
  const char* uri = webkit_web_view_get_uri(view);
  window->log_->Loaded(uri != nullptr ? uri : "");
  if (window->bench_) window->bench_->OnPageLoaded();
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

gboolean MainWindow::OnKeyPress(GtkWidget*, GdkEventKey* event, gpointer self) {
  auto* window = static_cast<MainWindow*>(self);
  switch (KeyActionFor(event->keyval)) {
    case KeyAction::kLeaveFullScreen: {
      const char* uri = webkit_web_view_get_uri(window->view_);
      webkit_web_view_evaluate_javascript(window->view_, kLeaveFullScreenScript, -1, nullptr,
                                          uri != nullptr ? uri : "", nullptr, nullptr, nullptr);
      window->log_->Key("leave full screen");
      break;
    }
    case KeyAction::kReload:
      webkit_web_view_reload_bypass_cache(window->view_);
      window->log_->Key("reload");
      break;
    case KeyAction::kNone:
      break;
  }
  return FALSE;  // the page gets the key too
}

void MainWindow::PressKey(const std::string& name) {
  const guint keyval = gdk_keyval_from_name(name.c_str());
  GdkWindow* target = gtk_widget_get_window(GTK_WIDGET(view_));
  if (keyval == GDK_KEY_VoidSymbol || target == nullptr) {
    ORBO_LOG_ERROR("control: cannot press key %s", name.c_str());
    return;
  }
  GdkEvent* event = gdk_event_new(GDK_KEY_PRESS);
  event->key.window = GDK_WINDOW(g_object_ref(target));
  event->key.send_event = TRUE;
  event->key.time = GDK_CURRENT_TIME;
  event->key.keyval = keyval;
  GdkSeat* seat = gdk_display_get_default_seat(gdk_window_get_display(target));
  if (seat != nullptr) gdk_event_set_device(event, gdk_seat_get_keyboard(seat));
  GdkKeymapKey* keys = nullptr;
  gint count = 0;
  if (gdk_keymap_get_entries_for_keyval(gdk_keymap_get_for_display(gdk_window_get_display(target)),
                                        keyval, &keys, &count) &&
      count > 0) {
    event->key.hardware_keycode = static_cast<guint16>(keys[0].keycode);
  }
  g_free(keys);
  gtk_widget_event(GTK_WIDGET(view_), event);
  gdk_event_free(event);
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

void MainWindow::OnMonitorClicked(GtkButton*, gpointer self) {
  static_cast<MainWindow*>(self)->PressButton(false);
}

void MainWindow::OnSetupClicked(GtkButton*, gpointer self) {
  static_cast<MainWindow*>(self)->PressButton(true);
}

void MainWindow::OnConfigClicked(GtkButton*, gpointer self) {
  static_cast<MainWindow*>(self)->OpenConfigDialog();
}

gboolean MainWindow::OnExitTimer(gpointer self) {
  auto* window = static_cast<MainWindow*>(self);
  window->exitTimer_ = 0;
  window->RequestClose();
  return G_SOURCE_REMOVE;
}

gboolean MainWindow::OnControlInput(GIOChannel* channel, GIOCondition condition, gpointer self) {
  auto* window = static_cast<MainWindow*>(self);
  if (condition & G_IO_IN) {
    // Lines that arrived together sit in the channel's buffer, where the
    // descriptor's watch does not see them: take every complete one now.
    GIOStatus status;
    do {
      gchar* line = nullptr;
      gsize length = 0;
      status = g_io_channel_read_line(channel, &line, &length, nullptr, nullptr);
      if (status == G_IO_STATUS_NORMAL && line != nullptr) {
        window->HandleControlLine(std::string(line, length));
      }
      g_free(line);
    } while (status == G_IO_STATUS_NORMAL && !window->closing_ &&
             (g_io_channel_get_buffer_condition(channel) & G_IO_IN) != 0);
    if (status == G_IO_STATUS_NORMAL || status == G_IO_STATUS_AGAIN) return G_SOURCE_CONTINUE;
  }
  // End of input (or an error) closes the window.
  window->controlWatch_ = 0;
  window->RequestClose();
  return G_SOURCE_REMOVE;
}

void MainWindow::HandleControlLine(const std::string& line) {
  if (line.find_first_not_of(" \t\r\n") == std::string::npos) return;
  std::unique_ptr<cJSON, void (*)(cJSON*)> json(cJSON_Parse(line.c_str()), cJSON_Delete);
  if (!json || !cJSON_IsObject(json.get())) {
    ORBO_LOG_ERROR("control: not a JSON object: %s", line.c_str());
    return;
  }
  const cJSON* button = cJSON_GetObjectItemCaseSensitive(json.get(), "button");
  const cJSON* run = cJSON_GetObjectItemCaseSensitive(json.get(), "run");
  const cJSON* shot = cJSON_GetObjectItemCaseSensitive(json.get(), "screenshot");
  const cJSON* key = cJSON_GetObjectItemCaseSensitive(json.get(), "key");
  if (cJSON_IsString(button)) {
    const std::string name = button->valuestring;
    if (name == "monitor" || name == "setup") {
      PressButton(name == "setup");
    } else if (name == "config") {
      // From the main loop, not from this input watch: the dialog's own
      // loop must go on reading the control input.
      g_idle_add(
          [](gpointer self) -> gboolean {
            static_cast<MainWindow*>(self)->OpenConfigDialog();
            return G_SOURCE_REMOVE;
          },
          this);
    } else {
      ORBO_LOG_ERROR("control: unknown button %s", name.c_str());
    }
  } else if (cJSON_IsString(run)) {
    const cJSON* kind = cJSON_GetObjectItemCaseSensitive(json.get(), "kind");
    const int k = cJSON_IsNumber(kind) ? kind->valueint : kScript;
    const std::string text = run->valuestring;
    // From another thread, as the box worker does it.
    MainFrameCore* core = core_.get();
    dispatcher_.Post([core, text, k] { core->RunScript(text, k); });
  } else if (cJSON_IsString(shot)) {
    // Taken a moment later, so what was just shown (a page, a dialog) has
    // been drawn.
    struct Pending {
      MainWindow* window;
      std::string path;
    };
    g_timeout_add_full(
        G_PRIORITY_DEFAULT, kScreenshotDelayMs,
        [](gpointer data) -> gboolean {
          auto* pending = static_cast<Pending*>(data);
          if (!pending->window->closing_ && !pending->window->WriteScreenshot(pending->path)) {
            pending->window->log_->Dropped("screenshot failed");
          }
          return G_SOURCE_REMOVE;
        },
        new Pending{this, shot->valuestring},
        [](gpointer data) { delete static_cast<Pending*>(data); });
  } else if (cJSON_IsString(key)) {
    PressKey(key->valuestring);
  } else if (const cJSON* dialog = cJSON_GetObjectItemCaseSensitive(json.get(), "dialog");
             cJSON_IsString(dialog)) {
    const cJSON* select = cJSON_GetObjectItemCaseSensitive(json.get(), "select");
    DriveConfigDialog(dialog->valuestring, cJSON_IsString(select) ? select->valuestring : "");
  } else if (cJSON_IsTrue(cJSON_GetObjectItemCaseSensitive(json.get(), "quit"))) {
    RequestClose();
  } else {
    ORBO_LOG_ERROR("control: unknown command: %s", line.c_str());
  }
}

}  // namespace orbo
