// The main window's status bar: pane 0 for messages, then the caps-lock,
// num-lock and scroll-lock indicators, which show their text only while
// the lock is on.
#pragma once

#include <gtk/gtk.h>

#include <string>

namespace orbo {

class StatusPanes {
 public:
  StatusPanes();
  ~StatusPanes();
  StatusPanes(const StatusPanes&) = delete;
  StatusPanes& operator=(const StatusPanes&) = delete;

  // Owned by the container it is packed into.
  GtkWidget* widget() const { return box_; }
  // Pane 0's text; red draws it in red from then on (the status-text
  // message's colour).
  void SetMessage(const std::string& text, bool red);
  std::string message() const;

 private:
  static void OnLocksChanged(GdkKeymap*, gpointer self);
  void ShowLocks();

  GtkWidget* box_ = nullptr;
  GtkWidget* message_ = nullptr;
  GtkWidget* locks_[3] = {};
  GdkKeymap* keymap_ = nullptr;
};

}  // namespace orbo
