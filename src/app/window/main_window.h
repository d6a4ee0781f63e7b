// The desktop tool's window: a skinned frame (our own 48-pixel caption with
// the monitor, setup, config and about buttons) over a WebKit web view
// whose pages reach the native side through the web-process extension, and
// a status bar. Page calls and the navigation buttons run on a dispatcher
// thread, so the UI thread never waits for commandMutex; every question to
// the user comes back to the UI thread.
//
// With --control, commands are read from stdin, one JSON object a line:
//   {"button":"NAME"}        click a caption button as the pointer would:
//                            monitor, setup, config, about, minimize,
//                            maximize, close
//   {"dialog":"close"}       close the open dialog (About box or settings)
//   {"dialog":"CONTROL","select":"ENTRY"}  drive the open settings dialog
//                            (see DriveVirComConfigDialog)
//   {"run":"TEXT","kind":K}  RunScript(TEXT, K) from a non-UI thread (K
//                            defaults to 1, a plain script)
//   {"screenshot":"PATH"}    write a PNG of the window now
//   {"key":"NAME"}           a key press on the view (a toolkit key name:
//                            F5, Escape, t)
//   {"quit":true}            close the window as its close button does
//   (end of input closes it too, without questions)
#pragma once

#include <webkit2/webkit2.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "app/main_frame.h"
#include "app/tool_services.h"
#include "app/window/page_call_dispatcher.h"
#include "app/window/page_log.h"
#include "app/window/skin_caption.h"
#include "app/window/skin_images.h"
#include "app/window/status_panes.h"
#include "app/window/web_view_page.h"
#include "app/window/window_options.h"
#include "platform/gtk/gtk_prompts.h"
#include "platform/gtk/gtk_text_clipboard.h"
#include "platform/gtk/gtk_ui_thread.h"
#include "platform/gtk/prompt_answers.h"
#include "settings/app_settings.h"
#include "vcom/service_control.h"

namespace orbo {

class VirComConfigDialog;

class MainWindow {
 public:
  // After gtk_init, on the UI thread. exeDir holds the web extension.
  MainWindow(const WindowOptions& options, std::filesystem::path appDir,
             std::filesystem::path exeDir, PageLog* log);
  ~MainWindow();
  MainWindow(const MainWindow&) = delete;
  MainWindow& operator=(const MainWindow&) = delete;

  // Shows the window, runs the main loop until the window is closed, then
  // stops the worker and the dispatcher. Returns the exit status.
  int Run();
  // The process's settings record as the tool left it (the exit-requested
  // flag tells whether the renamed program is to start again).
  AppSettings Settings() const { return tool_ ? tool_->settings().Get() : finalSettings_; }

 private:
  static gboolean OnDeleteEvent(GtkWidget*, GdkEvent*, gpointer self);
  static void OnLoadChanged(WebKitWebView*, WebKitLoadEvent event, gpointer self);
  static gboolean OnUserMessage(WebKitWebView*, WebKitUserMessage* message, gpointer self);
  static void OnTitleChanged(GObject*, GParamSpec*, gpointer self);
  static gboolean OnContextMenu(WebKitWebView*, WebKitContextMenu*, GdkEvent*, WebKitHitTestResult*,
                                gpointer);
  static GtkWidget* OnCreate(WebKitWebView*, WebKitNavigationAction* action, gpointer self);
  static gboolean OnLoadFailed(WebKitWebView* view, WebKitLoadEvent, gchar* uri, GError* error,
                               gpointer self);
  static gboolean OnKeyPress(GtkWidget*, GdkEventKey* event, gpointer self);
  static void OnInitializeExtensions(WebKitWebContext* context, gpointer self);
  static void OnDownloadStarted(WebKitWebContext*, WebKitDownload* download, gpointer self);
  static gboolean OnDecideDestination(WebKitDownload* download, gchar* suggested, gpointer self);
  static void OnDownloadFinished(WebKitDownload* download, gpointer self);
  static gboolean OnFrameDraw(GtkWidget* widget, cairo_t* cr, gpointer self);
  static void OnWindowSize(GtkWidget* widget, GdkRectangle* allocation, gpointer self);
  static gboolean OnExitTimer(gpointer self);
  static gboolean OnControlInput(GIOChannel* channel, GIOCondition condition, gpointer self);

  // The status line: texts from any thread, shown on the UI thread.
  class StatusLine : public vcom::StatusText {
   public:
    explicit StatusLine(MainWindow* window) : window_(window) {}
    void ShowStatusText(const std::string& text) override;

   private:
    MainWindow* window_;
  };

  // The skinned frame, the caption's buttons with their tips, the view and
  // the status bar, from the settings the constructor read.
  void BuildWidgets(const AppSettings& settings);
  std::string Text(const AppSettings& settings, const char* key) const;
  // A caption button of this window was clicked (monitor, setup, config,
  // about).
  void OnCaptionCommand(int id);
  // StartPortMessage: clears portReady and starts the port's start-up
  // thread; sent (and waited for) once the window shows.
  void SendStartPort();
  // Command 32776: the settings dialog, modal, then what its end asks of
  // the window (main_window_config.cpp).
  void OpenConfigDialog();
  // Command 32772.
  void OpenAboutBox();
  // The close command: the port-service rules, then close. Without a user
  // to ask (end of input, --exit-after) the question is skipped.
  void CloseCommand(bool mayAsk);
  // Keeps the window's rounded corners (and none while maximised).
  void ShapeCorners(int width, int height);
  void HandlePageMessage(WebKitUserMessage* message);
  void PressButton(bool setup);
  // {"dialog":...} control commands for the open settings dialog.
  void DriveConfigDialog(const std::string& control, const std::string& entry);
  void HandleControlLine(const std::string& line);
  void SyncMonitorAddress();
  bool WriteScreenshot(const std::string& path);
  void PressKey(const std::string& name);
  void RequestClose();
  void Shutdown();

  const WindowOptions options_;
  const std::filesystem::path appDir_;
  const std::filesystem::path exeDir_;
  PageLog* const log_;

  GtkUiThread ui_;
  std::unique_ptr<PromptAnswers> answers_;
  GtkPrompts prompts_;
  GtkTextClipboard clipboard_;

  WebKitWebContext* context_ = nullptr;  // owned reference
  GtkWidget* window_ = nullptr;          // owned by GTK until Shutdown destroys it
  GtkWidget* frame_ = nullptr;           // child of window_: the borders around content_
  GtkWidget* content_ = nullptr;         // the view and the status bar
  WebKitWebView* view_ = nullptr;        // child of content_
  std::unique_ptr<SkinImages> skins_;
  std::unique_ptr<SkinCaption> caption_;
  std::unique_ptr<StatusPanes> status_;  // its widget is a child of window_
  GtkWidget* aboutDialog_ = nullptr;     // while the About box is open
  bool closeAsking_ = false;             // the close question is on screen
  StatusLine statusLine_{this};
  std::unique_ptr<WebViewPage> page_;
  std::unique_ptr<ToolServices> tool_;
  AppSettings finalSettings_;  // tool_'s record when it went at shutdown
  std::unique_ptr<MainFrameCore> core_;
  PageCallDispatcher dispatcher_;

  std::string sentMonitorUrl_;  // UI thread: the monitor address the extension knows
  GIOChannel* control_ = nullptr;
  guint controlWatch_ = 0;
  guint exitTimer_ = 0;
  struct ReloadKey {
    guint32 time;
    guint16 code;
  };
  std::optional<ReloadKey> lastReloadKey_;      // the F5 press that reloaded last
  guint32 lastPressTime_ = 0;                   // of the control input's key presses
  bool configOpen_ = false;                     // the settings dialog runs
  VirComConfigDialog* configDialog_ = nullptr;  // while it is on screen
  bool closing_ = false;
  bool shutDown_ = false;
  int exitStatus_ = 0;
};

}  // namespace orbo
