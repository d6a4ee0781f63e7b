// Downloads the pages start: saved where the user says in a Save dialog.
#include "app/window/main_window.h"

namespace orbo {

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

}  // namespace orbo
