#include "platform/gtk/gtk_prompts.h"

#include <gtk/gtk.h>

#include "base/logger.h"
#include "platform/gtk/file_dialog_rules.h"

namespace orbo {
namespace {

// Closes a dialog with a prepared answer once it is on screen. Holds a
// reference, so a dialog that is already gone is left alone.
struct AutoResponse {
  GtkDialog* dialog;
  int response;
};

gboolean RespondLater(gpointer data) {
  auto* pending = static_cast<AutoResponse*>(data);
  if (gtk_widget_get_visible(GTK_WIDGET(pending->dialog))) {
    gtk_dialog_response(pending->dialog, pending->response);
  }
  return G_SOURCE_REMOVE;
}

void FreeAutoResponse(gpointer data) {
  auto* pending = static_cast<AutoResponse*>(data);
  g_object_unref(pending->dialog);
  delete pending;
}

void OnMappedRespond(GtkWidget* widget, gpointer data) {
  auto* pending = new AutoResponse{GTK_DIALOG(g_object_ref(widget)), GPOINTER_TO_INT(data)};
  g_idle_add_full(G_PRIORITY_DEFAULT_IDLE, RespondLater, pending, FreeAutoResponse);
}

// The response that closes a file dialog with a prepared answer. Not one of
// the accepting responses, which the file chooser would refuse while no
// file is selected in it.
constexpr int kPreparedAnswer = 1;

std::string PathText(const std::optional<std::filesystem::path>& path) {
  return path ? path->string() : std::string("cancel");
}

}  // namespace

void GtkPrompts::CancelAll() {
  cancelled_ = true;
  if (current_ != nullptr) gtk_dialog_response(current_, GTK_RESPONSE_CANCEL);
}

void GtkPrompts::Report(const char* kind, const std::string& text,
                        const std::string& answer) const {
  if (observer_) observer_(PromptRecord{kind, text, answer});
}

void GtkPrompts::Message(const std::string& caption, const std::string& text) {
  OnUi<bool>([&] { return ShowMessage(caption, text, false); });
  Report("message", text, "ok");
}

bool GtkPrompts::AskYesNo(const std::string& caption, const std::string& text) {
  const bool yes = OnUi<bool>([&] { return ShowMessage(caption, text, true); }).value_or(false);
  Report("yesno", text, yes ? "yes" : "no");
  return yes;
}

std::optional<std::filesystem::path> GtkPrompts::OpenFile(const FileDialogOptions& options) {
  using Result = std::optional<std::filesystem::path>;
  Result path = OnUi<Result>([&] { return ChooseFile(options, false); }).value_or(std::nullopt);
  Report("open", options.filter_pattern, PathText(path));
  return path;
}

std::optional<std::filesystem::path> GtkPrompts::SaveFile(const FileDialogOptions& options) {
  return SaveFileAs(options, {});
}

std::optional<std::filesystem::path> GtkPrompts::SaveFileAs(const FileDialogOptions& options,
                                                            const std::string& suggestedName) {
  using Result = std::optional<std::filesystem::path>;
  Result path =
      OnUi<Result>([&] { return ChooseFile(options, true, suggestedName); }).value_or(std::nullopt);
  Report("save", options.filter_pattern, PathText(path));
  return path;
}

std::optional<std::filesystem::path> GtkPrompts::PickFolder(const std::string& title) {
  using Result = std::optional<std::filesystem::path>;
  Result path = OnUi<Result>([&] { return ChooseFolder(title); }).value_or(std::nullopt);
  Report("folder", title, PathText(path));
  return path;
}

int GtkPrompts::RunDialog(GtkDialog* dialog, std::optional<int> auto_response, const char* kind,
                          const std::string& text) {
  if (parent_ != nullptr) gtk_window_set_transient_for(GTK_WINDOW(dialog), parent_);
  gtk_window_set_modal(GTK_WINDOW(dialog), TRUE);
  if (auto_response) {
    g_signal_connect(dialog, "map", G_CALLBACK(OnMappedRespond), GINT_TO_POINTER(*auto_response));
  }
  GtkDialog* outer = current_;
  current_ = dialog;
  if (shown_observer_ && !cancelled_) shown_observer_(PromptRecord{kind, text, ""});
  int response = cancelled_ ? GTK_RESPONSE_CANCEL : gtk_dialog_run(dialog);
  current_ = outer;
  if (cancelled_) response = GTK_RESPONSE_CANCEL;
  return response;
}

bool GtkPrompts::ShowMessage(const std::string& caption, const std::string& text, bool yes_no) {
  GtkWidget* dialog = gtk_message_dialog_new(nullptr, GTK_DIALOG_DESTROY_WITH_PARENT,
                                             yes_no ? GTK_MESSAGE_QUESTION : GTK_MESSAGE_OTHER,
                                             GTK_BUTTONS_NONE, "%s", text.c_str());
  // The user's language from the tool's own texts, not the desktop's locale.
  const ButtonLabels labels = labels_ ? labels_() : ButtonLabels{};
  auto label = [](const std::string& text, const char* stock) {
    return text.empty() ? g_dgettext("gtk30", stock) : text.c_str();
  };
  if (yes_no) {
    gtk_dialog_add_buttons(GTK_DIALOG(dialog), label(labels.no, "_No"), GTK_RESPONSE_NO,
                           label(labels.yes, "_Yes"), GTK_RESPONSE_YES, nullptr);
  } else {
    gtk_dialog_add_button(GTK_DIALOG(dialog), label(labels.ok, "_OK"), GTK_RESPONSE_OK);
  }
  gtk_window_set_title(GTK_WINDOW(dialog), caption.c_str());
  std::optional<int> prepared;
  if (answers_ != nullptr) {
    if (yes_no) {
      prepared = answers_->NextYesNo() ? GTK_RESPONSE_YES : GTK_RESPONSE_NO;
    } else {
      answers_->NextMessage();
      prepared = GTK_RESPONSE_OK;
    }
  }
  const int response = RunDialog(GTK_DIALOG(dialog), prepared, yes_no ? "yesno" : "message", text);
  gtk_widget_destroy(dialog);
  return response == GTK_RESPONSE_YES;
}

std::optional<std::filesystem::path> GtkPrompts::ChooseFile(const FileDialogOptions& options,
                                                            bool save,
                                                            const std::string& suggestedName) {
  GtkWidget* dialog = gtk_file_chooser_dialog_new(
      options.title.empty() ? nullptr : options.title.c_str(), nullptr,
      save ? GTK_FILE_CHOOSER_ACTION_SAVE : GTK_FILE_CHOOSER_ACTION_OPEN, "_Cancel",
      GTK_RESPONSE_CANCEL, save ? "_Save" : "_Open", GTK_RESPONSE_ACCEPT, nullptr);
  GtkFileChooser* chooser = GTK_FILE_CHOOSER(dialog);
  if (!options.filter_pattern.empty()) {
    GtkFileFilter* filter = gtk_file_filter_new();
    gtk_file_filter_set_name(filter, options.filter_name.empty() ? options.filter_pattern.c_str()
                                                                 : options.filter_name.c_str());
    gtk_file_filter_add_pattern(filter, options.filter_pattern.c_str());
    gtk_file_chooser_add_filter(chooser, filter);  // takes the floating reference
  }
  if (save) gtk_file_chooser_set_do_overwrite_confirmation(chooser, options.overwrite_prompt);
  if (save && !suggestedName.empty()) {
    gtk_file_chooser_set_current_name(chooser, suggestedName.c_str());
  }

  std::optional<std::filesystem::path> result;
  if (answers_ != nullptr) {
    std::optional<std::filesystem::path> prepared = answers_->NextFile();
    const int response =
        RunDialog(GTK_DIALOG(dialog), prepared ? kPreparedAnswer : GTK_RESPONSE_CANCEL,
                  save ? "save" : "open", options.filter_pattern);
    if (response == kPreparedAnswer && prepared) {
      result = ResolveChosenFile(*prepared, options, save);
    }
  } else {
    // The dialog stays up until the user gives an acceptable name or
    // cancels: a file that must exist and does not is not taken, and a
    // name that only exists once the default extension is added is
    // confirmed like any other existing file.
    for (;;) {
      if (RunDialog(GTK_DIALOG(dialog), std::nullopt, save ? "save" : "open",
                    options.filter_pattern) != GTK_RESPONSE_ACCEPT) {
        break;
      }
      gchar* name = gtk_file_chooser_get_filename(chooser);
      if (name == nullptr) continue;
      const std::filesystem::path chosen(name);
      g_free(name);
      std::optional<std::filesystem::path> resolved = ResolveChosenFile(chosen, options, save);
      if (!resolved) continue;
      std::error_code ec;
      if (save && options.overwrite_prompt && *resolved != chosen &&
          std::filesystem::exists(*resolved, ec)) {
        const std::string question =
            resolved->filename().string() + "\n" +
            "A file with this name already exists. Do you want to replace it?";
        if (!ShowMessage(gtk_window_get_title(GTK_WINDOW(dialog)) != nullptr
                             ? gtk_window_get_title(GTK_WINDOW(dialog))
                             : "",
                         question, true)) {
          continue;
        }
      }
      result = resolved;
      break;
    }
  }
  gtk_widget_destroy(dialog);
  return result;
}

std::optional<std::filesystem::path> GtkPrompts::ChooseFolder(const std::string& title) {
  GtkWidget* dialog = gtk_file_chooser_dialog_new(
      title.c_str(), nullptr, GTK_FILE_CHOOSER_ACTION_SELECT_FOLDER, "_Cancel", GTK_RESPONSE_CANCEL,
      "_Select", GTK_RESPONSE_ACCEPT, nullptr);
  std::optional<std::filesystem::path> result;
  if (answers_ != nullptr) {
    std::optional<std::filesystem::path> prepared = answers_->NextFile();
    const int response = RunDialog(
        GTK_DIALOG(dialog), prepared ? kPreparedAnswer : GTK_RESPONSE_CANCEL, "folder", title);
    if (response == kPreparedAnswer) result = prepared;
  } else if (RunDialog(GTK_DIALOG(dialog), std::nullopt, "folder", title) == GTK_RESPONSE_ACCEPT) {
    gchar* name = gtk_file_chooser_get_filename(GTK_FILE_CHOOSER(dialog));
    if (name != nullptr) {
      result = std::filesystem::path(name);
      g_free(name);
    }
  }
  gtk_widget_destroy(dialog);
  return result;
}

}  // namespace orbo
