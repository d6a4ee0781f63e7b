#include "app/window/about_dialog.h"

#include "app/window/skin_images.h"

namespace orbo {
namespace {

// The dialog's 292 x 162 dialog units at 1.5 x 1.625 pixels a unit.
constexpr int kWidth = 438, kHeight = 263;

struct Logo {
  GdkPixbuf* image;
  bool centred;
};

gboolean DrawLogo(GtkWidget* widget, cairo_t* cr, gpointer data) {
  const Logo* logo = static_cast<const Logo*>(data);
  if (logo->image == nullptr) return FALSE;
  double x = 0, y = 0;
  if (logo->centred) {
    x = (gtk_widget_get_allocated_width(widget) - gdk_pixbuf_get_width(logo->image)) / 2.0;
    y = (gtk_widget_get_allocated_height(widget) - gdk_pixbuf_get_height(logo->image)) / 2.0;
  }
  gdk_cairo_set_source_pixbuf(cr, logo->image, x, y);
  cairo_paint(cr);
  return FALSE;
}

void FreeLogo(gpointer data) {
  Logo* logo = static_cast<Logo*>(data);
  if (logo->image != nullptr) g_object_unref(logo->image);
  delete logo;
}

GtkWidget* Label(const std::string& text) {
  GtkWidget* label = gtk_label_new(text.c_str());
  gtk_label_set_xalign(GTK_LABEL(label), 0);
  return label;
}

}  // namespace

GtkWidget* NewAboutDialog(GtkWindow* parent, const AboutContent& content,
                          const std::filesystem::path& appDir) {
  GtkWidget* dialog = gtk_dialog_new_with_buttons(content.title.c_str(), parent, GTK_DIALOG_MODAL,
                                                  "_OK", GTK_RESPONSE_OK, nullptr);
  gtk_window_set_resizable(GTK_WINDOW(dialog), FALSE);
  GtkWidget* fixed = gtk_fixed_new();
  gtk_widget_set_size_request(fixed, kWidth, kHeight);
  gtk_box_pack_start(GTK_BOX(gtk_dialog_get_content_area(GTK_DIALOG(dialog))), fixed, TRUE, TRUE,
                     0);

  if (content.showLogo) {
    GtkWidget* area = gtk_drawing_area_new();
    gtk_widget_set_size_request(area, 75, 52);
    auto* logo =
        new Logo{LoadIconFile(appDir / (content.logoFromPackage ? "logo.ico" : "orbo.png"), 48),
                 content.logoFromPackage};
    g_object_set_data_full(G_OBJECT(area), "orbo-logo", logo, FreeLogo);
    g_signal_connect(area, "draw", G_CALLBACK(DrawLogo), logo);
    gtk_fixed_put(GTK_FIXED(fixed), area, 15, 8);
  }
  if (content.showProduct) gtk_fixed_put(GTK_FIXED(fixed), Label(content.product), 98, 18);
  if (content.showCompany) gtk_fixed_put(GTK_FIXED(fixed), Label(content.company), 98, 39);

  GtkWidget* scroll = gtk_scrolled_window_new(nullptr, nullptr);
  gtk_scrolled_window_set_policy(GTK_SCROLLED_WINDOW(scroll), GTK_POLICY_AUTOMATIC,
                                 GTK_POLICY_ALWAYS);
  gtk_scrolled_window_set_shadow_type(GTK_SCROLLED_WINDOW(scroll), GTK_SHADOW_IN);
  GtkWidget* text = gtk_text_view_new();
  gtk_text_view_set_editable(GTK_TEXT_VIEW(text), FALSE);
  gtk_text_view_set_wrap_mode(GTK_TEXT_VIEW(text), GTK_WRAP_WORD_CHAR);
  gtk_text_buffer_set_text(gtk_text_view_get_buffer(GTK_TEXT_VIEW(text)), content.notes.c_str(),
                           -1);
  gtk_container_add(GTK_CONTAINER(scroll), text);
  if (content.notesFillWindow) {
    gtk_widget_set_size_request(scroll, kWidth - 20, kHeight - 20);
    gtk_fixed_put(GTK_FIXED(fixed), scroll, 10, 10);
  } else {
    gtk_widget_set_size_request(scroll, 420, 185);
    gtk_fixed_put(GTK_FIXED(fixed), scroll, 9, 67);
  }
  gtk_widget_show_all(dialog);
  return dialog;
}

}  // namespace orbo
