// The main window's construction and start-up wiring: the web context, the
// skinned frame with its caption buttons, the view and the status bar, the
// tool's services, and the run from showing the window to shutting down.
#include "app/window/main_window.h"

#include "app/frame/about_content.h"
#include "app/web/glib_ptr.h"
#include "app/web/page_origin.h"
#include "app/window/about_dialog.h"
#include "app/window/caption_button_table.h"
#include "base/logger.h"
#include "platform/private_dir.h"
#include "settings/app_settings.h"
#include "settings/message_keys.h"
#include "settings/string_table.h"

namespace orbo {
namespace {

// The caption draws the frame; GTK's own decoration adds no shadow, margin
// or border around it (so the window has no sizing border either).
constexpr char kFrameCss[] =
    "window.orbo-frame decoration { box-shadow: none; margin: 0; border: none; }"
    "window.orbo-frame .titlebar { padding: 0; min-height: 0; border: none; }";

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

  // Web data (storage, cache) lives in the user's own cache folder, made
  // 0700; nothing is written beside the tool or in the shared temporary
  // folder. Without a usable folder the engine keeps its data in memory.
  const std::filesystem::path data_dir = UserCacheDir();
  std::string data_error = "neither XDG_CACHE_HOME nor HOME names a folder";
  GObjectPtr<WebKitWebsiteDataManager> data;
  if (!data_dir.empty() && EnsurePrivateDir(data_dir, &data_error)) {
    data.reset(webkit_website_data_manager_new("base-data-directory", data_dir.c_str(),
                                               "base-cache-directory", data_dir.c_str(), nullptr));
  } else {
    ORBO_LOG_ERROR("web data folder: %s; the pages' data is kept in memory only",
                   data_error.c_str());
    data.reset(webkit_website_data_manager_new_ephemeral());
  }
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
  tool_ =
      std::make_unique<ToolServices>(appDir_, page_.get(), &prompts_, &clipboard_,
                                     ToolOptions{options.usbSim, options.virtualPort, &statusLine_,
                                                 options.programDir, options.company});
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
  // The image of the icon file that fits the caption, 4 pixels clear of
  // its top and bottom; a larger one is scaled down, never overflowing it.
  GdkPixbuf* icon =
      LoadIconFile(appDir_ / (settings.oem != 0 ? "title.ico" : "orbo.png"), kCaptionHeight - 8);
  if (icon != nullptr) gtk_window_set_icon(GTK_WINDOW(window_), icon);
  caption_->SetIcon(icon);
  caption_->SetTitle(settings.name);

  // The 3-pixel band under the caption and the side and bottom borders are
  // painted from the caption's background, after the window and its
  // children have drawn (the theme paints its own background there first).
  frame_ = gtk_box_new(GTK_ORIENTATION_VERTICAL, 0);
  gtk_container_set_border_width(GTK_CONTAINER(frame_), kBorderWidth);
  g_signal_connect_after(window_, "draw", G_CALLBACK(OnFrameDraw), this);
  content_ = gtk_box_new(GTK_ORIENTATION_VERTICAL, 0);
  gtk_box_pack_start(GTK_BOX(frame_), content_, TRUE, TRUE, 0);

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
  gtk_box_pack_start(GTK_BOX(content_), GTK_WIDGET(view_), TRUE, TRUE, 0);
  status_ = std::make_unique<StatusPanes>();
  gtk_box_pack_end(GTK_BOX(content_), status_->widget(), FALSE, FALSE, 0);
  gtk_container_add(GTK_CONTAINER(window_), frame_);
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
  page_->Navigate(core_->monitorUrl());
  gtk_window_maximize(GTK_WINDOW(window_));
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

}  // namespace orbo
