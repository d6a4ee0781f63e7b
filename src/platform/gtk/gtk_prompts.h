// Prompts as GTK dialogs: message boxes, Yes/No questions, file and folder
// choosers. Every call may come from any thread; the dialog runs modally on
// the UI thread and the caller waits for the answer there.
#pragma once

#include <atomic>
#include <functional>
#include <string>

#include "platform/gtk/gtk_ui_thread.h"
#include "platform/gtk/prompt_answers.h"
#include "platform/prompts.h"

typedef struct _GtkDialog GtkDialog;
typedef struct _GtkWindow GtkWindow;

namespace orbo {

class GtkPrompts : public Prompts {
 public:
  explicit GtkPrompts(GtkUiThread* ui) : ui_(ui) {}
  GtkPrompts(const GtkPrompts&) = delete;
  GtkPrompts& operator=(const GtkPrompts&) = delete;

  // Before first use: the labels of the message boxes' buttons in the
  // user's language, asked each time a box is shown. An empty label (or no
  // provider) leaves that button with the toolkit's own label.
  struct ButtonLabels {
    std::string ok, yes, no;
  };
  void SetButtonLabels(std::function<ButtonLabels()> labels) { labels_ = std::move(labels); }
  // UI thread: the window the dialogs are modal for (null: none).
  void SetParent(GtkWindow* parent) { parent_ = parent; }
  // Before first use: answer every prompt from answers (dialogs are still
  // shown and then closed). Null: wait for the user.
  void SetAnswers(PromptAnswers* answers) { answers_ = answers; }
  // Before first use: told about every prompt and its answer, on the
  // calling thread.
  void SetObserver(std::function<void(const PromptRecord&)> observer) {
    observer_ = std::move(observer);
  }
  // Before first use: told on the UI thread when a dialog is about to be
  // shown (answer empty).
  void SetShownObserver(std::function<void(const PromptRecord&)> observer) {
    shown_observer_ = std::move(observer);
  }
  // UI thread, at shutdown: closes the dialog on screen as Cancel/No and
  // answers every later prompt at once with Cancel/No.
  void CancelAll();

  // The answers are "OK" for Message; Yes/No; the chosen path or nullopt.
  // After CancelAll, or once the UI thread has shut down: No / nullopt.
  void Message(const std::string& caption, const std::string& text) override;
  bool AskYesNo(const std::string& caption, const std::string& text) override;
  std::optional<std::filesystem::path> OpenFile(const FileDialogOptions& options) override;
  std::optional<std::filesystem::path> SaveFile(const FileDialogOptions& options) override;
  // As SaveFile, proposing suggestedName (a download's file name) at first.
  std::optional<std::filesystem::path> SaveFileAs(const FileDialogOptions& options,
                                                  const std::string& suggestedName);
  std::optional<std::filesystem::path> PickFolder(const std::string& title) override;

 private:
  // UI thread only.
  bool ShowMessage(const std::string& caption, const std::string& text, bool yes_no);
  std::optional<std::filesystem::path> ChooseFile(const FileDialogOptions& options, bool save,
                                                  const std::string& suggestedName = {});
  std::optional<std::filesystem::path> ChooseFolder(const std::string& title);
  int RunDialog(GtkDialog* dialog, std::optional<int> auto_response, const char* kind,
                const std::string& text);

  template <typename T>
  std::optional<T> OnUi(std::function<T()> fn) {
    if (cancelled_) return std::nullopt;
    if (ui_->IsCurrent()) return fn();
    return ui_->Call<T>(std::move(fn));
  }
  void Report(const char* kind, const std::string& text, const std::string& answer) const;

  GtkUiThread* const ui_;
  PromptAnswers* answers_ = nullptr;
  std::function<void(const PromptRecord&)> observer_;
  std::function<void(const PromptRecord&)> shown_observer_;
  std::function<ButtonLabels()> labels_;
  GtkWindow* parent_ = nullptr;   // UI thread only
  GtkDialog* current_ = nullptr;  // UI thread only: the dialog on screen
  std::atomic<bool> cancelled_{false};
};

}  // namespace orbo
