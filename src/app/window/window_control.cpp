// The --control input: one JSON command a line on stdin (the shapes are
// listed in main_window.h).
#include <cjson/cJSON.h>

#include "app/window/caption_button_table.h"
#include "app/window/main_window.h"
#include "base/logger.h"

namespace orbo {
namespace {

constexpr guint kScreenshotDelayMs = 300;

}  // namespace

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
    const int id = CaptionIdOf(name);
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
