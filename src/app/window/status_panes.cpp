#include "app/window/status_panes.h"

namespace orbo {
namespace {

constexpr const char* kLockTexts[3] = {"CAP", "NUM", "SCRL"};

}  // namespace

StatusPanes::StatusPanes() {
  box_ = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 0);
  gtk_container_set_border_width(GTK_CONTAINER(box_), 2);
  message_ = gtk_label_new("");
  gtk_label_set_xalign(GTK_LABEL(message_), 0);
  gtk_label_set_ellipsize(GTK_LABEL(message_), PANGO_ELLIPSIZE_END);
  gtk_widget_set_margin_start(message_, 4);
  gtk_box_pack_start(GTK_BOX(box_), message_, TRUE, TRUE, 0);
  for (int i = 0; i < 3; ++i) {
    GtkWidget* frame = gtk_frame_new(nullptr);
    gtk_frame_set_shadow_type(GTK_FRAME(frame), GTK_SHADOW_IN);
    locks_[i] = gtk_label_new(kLockTexts[i]);
    gtk_label_set_width_chars(GTK_LABEL(locks_[i]), 5);
    gtk_container_add(GTK_CONTAINER(frame), locks_[i]);
    gtk_box_pack_start(GTK_BOX(box_), frame, FALSE, FALSE, 1);
  }
  keymap_ = gdk_keymap_get_for_display(gdk_display_get_default());
  if (keymap_ != nullptr)
    g_signal_connect(keymap_, "state-changed", G_CALLBACK(OnLocksChanged), this);
  ShowLocks();
}

StatusPanes::~StatusPanes() {
  if (keymap_ != nullptr) g_signal_handlers_disconnect_by_data(keymap_, this);
}

void StatusPanes::SetMessage(const std::string& text, bool red) {
  gtk_label_set_text(GTK_LABEL(message_), text.c_str());
  if (red) {
    PangoAttrList* attrs = pango_attr_list_new();
    pango_attr_list_insert(attrs, pango_attr_foreground_new(0xffff, 0, 0));
    gtk_label_set_attributes(GTK_LABEL(message_), attrs);
    pango_attr_list_unref(attrs);
  }
}

std::string StatusPanes::message() const {
  return gtk_label_get_text(GTK_LABEL(message_));
}

void StatusPanes::OnLocksChanged(GdkKeymap*, gpointer self) {
  static_cast<StatusPanes*>(self)->ShowLocks();
}

void StatusPanes::ShowLocks() {
  const bool on[3] = {keymap_ != nullptr && gdk_keymap_get_caps_lock_state(keymap_),
                      keymap_ != nullptr && gdk_keymap_get_num_lock_state(keymap_),
                      keymap_ != nullptr && gdk_keymap_get_scroll_lock_state(keymap_)};
  for (int i = 0; i < 3; ++i) gtk_label_set_text(GTK_LABEL(locks_[i]), on[i] ? kLockTexts[i] : "");
}

}  // namespace orbo
