#include "app/window/main_window.h"

#include <cjson/cJSON.h>

#include "app/dialogs/vircom_config_dialog.h"
#include "app/frame/about_content.h"
#include "app/frame/close_rules.h"
#include "app/web/bridge_message.h"
#include "app/web/call_arguments.h"
#include "app/web/glib_ptr.h"
#include "app/web/page_origin.h"
#include "app/window/about_dialog.h"
#include "app/window/load_error_page.h"
#include "app/window/window_keys.h"
#include "base/logger.h"
#include "settings/app_settings.h"
#include "settings/message_keys.h"
#include "settings/string_table.h"

namespace orbo {
namespace {

constexpr guint kScreenshotDelayMs = 300;

// The caption draws the frame; GTK's own decoration adds no shadow, margin
// or border around it (so the window has no sizing border either).
constexpr char kFrameCss[] =
    "window.orbo-frame decoration { box-shadow: none; margin: 0; border: none; }"
    "window.orbo-frame .titlebar { padding: 0; min-height: 0; border: none; }";

const struct {
  int id;
  const char* name;
  const char* image;
  const char* tipKey;
} kCaptionButtons[] = {
    {kCaptionMonitor, "monitor", "monitor.png", "button_monitor"},
    {kCaptionSetup, "setup", "set.png", "button_setup"},
    {kCaptionConfig, "config", "config.png", "button_config"},
    {kCaptionAbout, "about", "about.png", "button_about"},
    {kCaptionMinimize, "minimize", nullptr, nullptr},
    {kCaptionMaximize, "maximize", nullptr, nullptr},
    {kCaptionClose, "close", nullptr, nullptr},
};

const char* CaptionName(int id) {
  for (const auto& b : kCaptionButtons) {
    if (b.id == id) return b.name;
  }
  return "";
}

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
  // The pages talk to boxes on the local network directly, never through
  // a proxy.
  webkit_website_data_manager_set_network_proxy_settings(
      data.get(), WEBKIT_NETWORK_PROXY_MODE_NO_PROXY, nullptr);
  context_ = webkit_web_context_new_with_website_data_manager(data.get());
  g_signal_connect(context_, "download-started", G_CALLBACK(OnDownloadStarted), this);
  // One view of local pages: no page cache or large memory caches.
  webkit_web_context_set_cache_model(context_, WEBKIT_CACHE_MODEL_DOCUMENT_VIEWER);
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
      ToolOptions{options.usbSim, options.virtualPort, &statusLine_, options.programDir});
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

std::string MainWindow::Text(const AppSettings& settings, const char* key) const {
  return LookupText(appDir_, settings.lang, settings.rep, key);
}

void MainWindow::BuildWidgets(const AppSettings& settings) {
  window_ = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  gtk_window_set_default_size(GTK_WINDOW(window_), kMinWindowWidth, kMinWindowHeight);
  GdkGeometry hints{};
  hints.min_width = kMinWindowWidth;
  hints.min_height = kMinWindowHeight;
  gtk_window_set_geometry_hints(GTK_WINDOW(window_), nullptr, &hints, GDK_HINT_MIN_SIZE);
  gtk_style_context_add_class(gtk_widget_get_style_context(window_), "orbo-frame");
  GObjectPtr<GtkCssProvider> css(gtk_css_provider_new());
  gtk_css_provider_load_from_data(css.get(), kFrameCss, -1, nullptr);
  gtk_style_context_add_provider_for_screen(gtk_widget_get_screen(window_),
                                            GTK_STYLE_PROVIDER(css.get()),
                                            GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
  g_signal_connect(window_, "delete-event", G_CALLBACK(OnDeleteEvent), this);
  g_signal_connect(window_, "size-allocate", G_CALLBACK(OnWindowSize), this);

  skins_ = std::make_unique<SkinImages>(appDir_ / "Skins" / "Default");
  caption_ = std::make_unique<SkinCaption>(GTK_WINDOW(window_), skins_.get(),
                                           [this](int id) { OnCaptionCommand(id); });
  caption_->SetSystemTips(Text(settings, "minimize"), Text(settings, "maximize"),
                          Text(settings, "restore"), Text(settings, "close"));
  for (const auto& b : kCaptionButtons) {
    if (b.image != nullptr) caption_->AddButton(b.id, b.image, Text(settings, b.tipKey));
  }
  // A branded build shows the package's title icon; ours the program icon.
  GdkPixbuf* icon = LoadImageFile(appDir_ / (settings.oem != 0 ? "title.ico" : "orbo.png"));
  if (icon != nullptr) gtk_window_set_icon(GTK_WINDOW(window_), icon);
  caption_->SetIcon(icon);
  caption_->SetTitle(settings.name);

  // The side and bottom borders are painted from the caption's background.
  GtkWidget* frame = gtk_box_new(GTK_ORIENTATION_VERTICAL, 0);
  gtk_container_set_border_width(GTK_CONTAINER(frame), kBorderWidth);
  g_signal_connect(frame, "draw", G_CALLBACK(OnFrameDraw), this);
  GtkWidget* box = gtk_box_new(GTK_ORIENTATION_VERTICAL, 0);
  gtk_box_pack_start(GTK_BOX(frame), box, TRUE, TRUE, 0);

  view_ = WEBKIT_WEB_VIEW(webkit_web_view_new_with_context(context_));
  WebKitSettings* web_settings = webkit_web_view_get_settings(view_);
  // The tool's pages are local files that fetch from each other and from
  // the box; the browser host always ran them without web security.
  webkit_settings_set_allow_file_access_from_file_urls(web_settings, TRUE);
  webkit_settings_set_allow_universal_access_from_file_urls(web_settings, TRUE);
  // Forms and a monitoring page need no GPU compositing; without it the
  // page process keeps no GL context and starts sooner.
  webkit_settings_set_hardware_acceleration_policy(web_settings,
                                                   WEBKIT_HARDWARE_ACCELERATION_POLICY_NEVER);
  g_signal_connect(view_, "load-changed", G_CALLBACK(OnLoadChanged), this);
  g_signal_connect(view_, "user-message-received", G_CALLBACK(OnUserMessage), this);
  g_signal_connect(view_, "notify::title", G_CALLBACK(OnTitleChanged), this);
  g_signal_connect(view_, "context-menu", G_CALLBACK(OnContextMenu), this);
  g_signal_connect(view_, "create", G_CALLBACK(OnCreate), this);
  g_signal_connect(view_, "load-failed", G_CALLBACK(OnLoadFailed), this);
  g_signal_connect(view_, "key-press-event", G_CALLBACK(OnKeyPress), this);
  gtk_box_pack_start(GTK_BOX(box), GTK_WIDGET(view_), TRUE, TRUE, 0);
  status_ = std::make_unique<StatusPanes>();
  gtk_box_pack_end(GTK_BOX(box), status_->widget(), FALSE, FALSE, 0);
  gtk_container_add(GTK_CONTAINER(window_), frame);
}

void MainWindow::OnCaptionCommand(int id) {
  log_->Caption(CaptionName(id));
  switch (id) {
    case kCaptionMonitor:
      PressButton(false);
      break;
    case kCaptionSetup:
      PressButton(true);
      break;
    case kCaptionConfig:
      OpenConfigDialog();
      break;
    case kCaptionAbout:
      OpenAboutBox();
      break;
    default:
      break;
  }
}

void MainWindow::SendStartPort() {
  ui_.PostAndWait([this] {
    if (tool_) tool_->StartVirtualPort();
  });
}

void MainWindow::OpenAboutBox() {
  if (aboutDialog_ != nullptr || !tool_) return;
  const AppSettings s = tool_->settings().Get();
  const AboutContent content =
      MakeAboutContent({s.name, s.oem, s.mode, s.comp, ReadReleaseNotes(appDir_)},
                       [this](std::string_view key) { return tool_->settings().LookupText(key); });
  aboutDialog_ = NewAboutDialog(GTK_WINDOW(window_), content, appDir_);
  log_->AboutOpened(content.title, content.showProduct ? content.product : "",
                    content.showCompany ? content.company : "");
  gtk_dialog_run(GTK_DIALOG(aboutDialog_));
  gtk_widget_destroy(aboutDialog_);
  aboutDialog_ = nullptr;
  log_->DialogClosed();
}

void MainWindow::CloseCommand(bool mayAsk) {
  if (closing_) return;
  if (closeAsking_) {
    // Nobody is left to answer the question on screen: it is cancelled.
    if (!mayAsk) RequestClose();
    return;
  }
  if (tool_) {
    switch (DecideClose(tool_->settings().Get().server, tool_->TunnelMode())) {
      case CloseStep::kClose:
        break;
      case CloseStep::kAskThenRemoveService:
        if (mayAsk) {
          closeAsking_ = true;
          const bool yes = prompts_.AskYesNo(tool_->settings().LookupText("alert_title"),
                                             tool_->settings().LookupText("reinstall_msg"));
          closeAsking_ = false;
          if (!yes || closing_) return;
        }
        [[fallthrough]];
      case CloseStep::kRemoveServiceThenClose:
        if (tool_->RemovePortService()) log_->ServiceRemoved();
        break;
    }
  }
  RequestClose();
}

void MainWindow::ShapeCorners(int width, int height) {
  GdkWindow* gdk = gtk_widget_get_window(window_);
  if (gdk == nullptr) return;
  if ((gdk_window_get_state(gdk) & (GDK_WINDOW_STATE_MAXIMIZED | GDK_WINDOW_STATE_FULLSCREEN)) !=
      0) {
    gtk_widget_shape_combine_region(window_, nullptr);
    return;
  }
  // A rectangle with its corners rounded off (a 5 x 5 corner ellipse):
  // two pixels of the first row and one of the second at each corner.
  cairo_rectangle_int_t whole{0, 0, width, height};
  cairo_region_t* region = cairo_region_create_rectangle(&whole);
  const cairo_rectangle_int_t cuts[] = {
      {0, 0, 2, 1},          {width - 2, 0, 2, 1},          {0, 1, 1, 1},
      {width - 1, 1, 1, 1},  {0, height - 1, 2, 1},         {width - 2, height - 1, 2, 1},
      {0, height - 2, 1, 1}, {width - 1, height - 2, 1, 1},
  };
  for (const auto& cut : cuts) cairo_region_subtract_rectangle(region, &cut);
  gtk_widget_shape_combine_region(window_, region);
  cairo_region_destroy(region);
}

void MainWindow::StatusLine::ShowStatusText(const std::string& text) {
  MainWindow* w = window_;
  // StatusTextMessage: sent and waited for, as every sender expects.
  w->ui_.PostAndWait([w, text] {
    if (!w->status_ || w->closing_) return;
    w->status_->SetMessage(text, true);
    w->log_->Status(text);
  });
}

int MainWindow::Run() {
  // Window creation starts the box worker; the view opens on the monitor
  // page, where currentPage starts too.
  core_->StartWorker();
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
    page_->Navigate(core_->monitorUrl());
    gtk_window_maximize(GTK_WINDOW(window_));
  }
  gtk_widget_show_all(window_);
  // The virtual port is made once the window shows, on a thread of its
  // own; then the browser list is built.
  SendStartPort();
  tool_->DetectBrowsers();
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
  if (aboutDialog_ != nullptr) gtk_dialog_response(GTK_DIALOG(aboutDialog_), GTK_RESPONSE_CLOSE);
  if (core_) core_->StopWorker();
  dispatcher_.Stop();
  core_.reset();
  if (tool_) finalSettings_ = tool_->settings().Get();
  tool_.reset();
  if (page_) page_->Detach();
  caption_.reset();
  status_.reset();
  if (window_ != nullptr) gtk_widget_destroy(window_);
  window_ = nullptr;
  view_ = nullptr;
}

gboolean MainWindow::OnDeleteEvent(GtkWidget*, GdkEvent*, gpointer self) {
  static_cast<MainWindow*>(self)->CloseCommand(true);
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
      // Taken here: a key the page leaves unhandled comes back to this
      // handler from the engine, which would reload a second time.
      return TRUE;
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

void MainWindow::OnDownloadStarted(WebKitWebContext*, WebKitDownload* download, gpointer self) {
  g_signal_connect(download, "decide-destination", G_CALLBACK(OnDecideDestination), self);
  g_signal_connect(download, "finished", G_CALLBACK(OnDownloadFinished), self);
}

gboolean MainWindow::OnDecideDestination(WebKitDownload* download, gchar* suggested,
                                         gpointer self) {
  auto* window = static_cast<MainWindow*>(self);
  // Downloads go where the user says in a Save dialog, never to a fixed
  // folder; replacing a file is confirmed first.
  FileDialogOptions options;
  options.overwrite_prompt = true;
  const std::optional<std::filesystem::path> path =
      window->prompts_.SaveFileAs(options, suggested != nullptr ? suggested : "");
  if (!path) {
    window->log_->Download("cancel");
    webkit_download_cancel(download);
    return TRUE;
  }
  gchar* uri = g_filename_to_uri(std::filesystem::absolute(*path).c_str(), nullptr, nullptr);
  if (uri == nullptr) {
    webkit_download_cancel(download);
    return TRUE;
  }
  webkit_download_set_allow_overwrite(download, TRUE);  // the dialog asked already
  webkit_download_set_destination(download, uri);
  g_free(uri);
  return TRUE;
}

void MainWindow::OnDownloadFinished(WebKitDownload* download, gpointer self) {
  const char* uri = webkit_download_get_destination(download);
  if (uri == nullptr) return;  // cancelled
  gchar* path = g_filename_from_uri(uri, nullptr, nullptr);
  if (path != nullptr) static_cast<MainWindow*>(self)->log_->Download(path);
  g_free(path);
}

gboolean MainWindow::OnFrameDraw(GtkWidget* widget, cairo_t* cr, gpointer self) {
  auto* window = static_cast<MainWindow*>(self);
  GdkPixbuf* bg = window->skins_ ? window->skins_->Get("dialog/DialogBkg.png") : nullptr;
  if (bg == nullptr || gdk_pixbuf_get_height(bg) <= kCaptionHeight) return FALSE;
  const double w = gtk_widget_get_allocated_width(widget);
  const double h = gtk_widget_get_allocated_height(widget);
  // Only the border: the view and the status bar keep the theme's colours.
  cairo_save(cr);
  cairo_set_fill_rule(cr, CAIRO_FILL_RULE_EVEN_ODD);
  cairo_rectangle(cr, 0, 0, w, h);
  cairo_rectangle(cr, kBorderWidth, 0, w - 2 * kBorderWidth, h - kBorderWidth);
  cairo_clip(cr);
  PaintThreeSlices(cr, bg, kCaptionHeight, gdk_pixbuf_get_height(bg) - kCaptionHeight,
                   {0, 0, w, h});
  cairo_restore(cr);
  return FALSE;  // the children draw over it
}

void MainWindow::OnWindowSize(GtkWidget*, GdkRectangle* allocation, gpointer self) {
  static_cast<MainWindow*>(self)->ShapeCorners(allocation->width, allocation->height);
}

gboolean MainWindow::OnExitTimer(gpointer self) {
  auto* window = static_cast<MainWindow*>(self);
  window->exitTimer_ = 0;
  window->CloseCommand(false);
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
  window->CloseCommand(false);
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
  const cJSON* dialog = cJSON_GetObjectItemCaseSensitive(json.get(), "dialog");
  if (cJSON_IsString(button)) {
    const std::string name = button->valuestring;
    int id = kCaptionNone;
    for (const auto& b : kCaptionButtons) {
      if (name == b.name) id = b.id;
    }
    // Clicked from the main loop, not from inside this input handler: a
    // dialog the button opens runs its own loop, which must still read
    // the control input.
    struct Pending {
      MainWindow* window;
      int id;
    };
    if (id == kCaptionNone) {
      ORBO_LOG_ERROR("control: unknown button %s", name.c_str());
    } else {
      g_idle_add_full(
          G_PRIORITY_DEFAULT_IDLE,
          [](gpointer data) -> gboolean {
            auto* p = static_cast<Pending*>(data);
            if (!p->window->closing_ && !p->window->caption_->Click(p->id)) {
              ORBO_LOG_ERROR("control: caption button %d not clicked", p->id);
            }
            return G_SOURCE_REMOVE;
          },
          new Pending{this, id}, [](gpointer data) { delete static_cast<Pending*>(data); });
    }
  } else if (cJSON_IsString(dialog)) {
    if (std::string(dialog->valuestring) == "close" && aboutDialog_ != nullptr) {
      gtk_dialog_response(GTK_DIALOG(aboutDialog_), GTK_RESPONSE_CLOSE);
    } else {
      const cJSON* select = cJSON_GetObjectItemCaseSensitive(json.get(), "select");
      DriveConfigDialog(dialog->valuestring, cJSON_IsString(select) ? select->valuestring : "");
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
  } else if (cJSON_IsTrue(cJSON_GetObjectItemCaseSensitive(json.get(), "quit"))) {
    CloseCommand(true);
  } else {
    ORBO_LOG_ERROR("control: unknown command: %s", line.c_str());
  }
}

}  // namespace orbo
