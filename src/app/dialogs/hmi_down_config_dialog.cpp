#include "app/dialogs/hmi_down_config_dialog.h"
#include "settings/message_keys.h"

namespace orbo {
namespace {

enum Column { kNumber, kVersion, kFolder, kColumns };

struct HmiDownView {
  HmiDownConfig* config;
  GtkDialog* dialog;
  GtkWidget* folder;   // 1031
  GtkWidget* version;  // 1030
  GtkWidget* confirm;  // 1021
};

void Show(HmiDownView* view) {
  const EditorSettings& choice = view->config->choice();
  gtk_entry_set_text(GTK_ENTRY(view->folder), choice.folder.c_str());
  gtk_label_set_text(GTK_LABEL(view->version), choice.version.c_str());
  gtk_widget_set_sensitive(view->confirm, view->config->confirmEnabled());
}

void OnSelectionChanged(GtkTreeSelection* selection, gpointer data) {
  auto* view = static_cast<HmiDownView*>(data);
  GtkTreeModel* model = nullptr;
  GtkTreeIter iter;
  if (!gtk_tree_selection_get_selected(selection, &model, &iter)) return;
  GtkTreePath* path = gtk_tree_model_get_path(model, &iter);
  const int index = gtk_tree_path_get_indices(path)[0];
  gtk_tree_path_free(path);
  view->config->OnRowClicked(index);
  Show(view);
}

void OnBrowse(GtkButton*, gpointer data) {
  auto* view = static_cast<HmiDownView*>(data);
  view->config->OnBrowse();
  Show(view);
}

void OnConfirm(GtkButton*, gpointer data) {
  auto* view = static_cast<HmiDownView*>(data);
  if (view->config->OnConfirm()) gtk_dialog_response(view->dialog, GTK_RESPONSE_OK);
}

void OnCancel(GtkButton*, gpointer data) {
  gtk_dialog_response(static_cast<HmiDownView*>(data)->dialog, GTK_RESPONSE_CANCEL);
}

GtkWidget* Label(const std::string& text) {
  GtkWidget* label = gtk_label_new(text.c_str());
  gtk_label_set_xalign(GTK_LABEL(label), 0);
  return label;
}

GtkWidget* EditorList(HmiDownConfig& config) {
  GtkListStore* store = gtk_list_store_new(kColumns, G_TYPE_STRING, G_TYPE_STRING, G_TYPE_STRING);
  for (const EditorRow& row : config.rows()) {
    GtkTreeIter iter;
    gtk_list_store_append(store, &iter);
    gtk_list_store_set(store, &iter, kNumber, row.number.c_str(), kVersion, row.version.c_str(),
                       kFolder, row.folder.c_str(), -1);
  }
  GtkWidget* tree = gtk_tree_view_new_with_model(GTK_TREE_MODEL(store));
  g_object_unref(store);
  gtk_tree_view_set_grid_lines(GTK_TREE_VIEW(tree), GTK_TREE_VIEW_GRID_LINES_BOTH);
  // A focused list would select its first row by itself; only a click
  // chooses an editor.
  gtk_widget_set_can_focus(tree, FALSE);
  const struct {
    std::string title;
    int width;
  } columns[] = {
      {"#", 40}, {config.Text(keys::kVersion), 360}, {config.Text(keys::kPosition), 240}};
  for (int i = 0; i < kColumns; ++i) {
    GtkTreeViewColumn* column = gtk_tree_view_column_new_with_attributes(
        columns[i].title.c_str(), gtk_cell_renderer_text_new(), "text", i, nullptr);
    gtk_tree_view_column_set_sizing(column, GTK_TREE_VIEW_COLUMN_FIXED);
    gtk_tree_view_column_set_fixed_width(column, columns[i].width);
    gtk_tree_view_column_set_resizable(column, TRUE);
    gtk_tree_view_append_column(GTK_TREE_VIEW(tree), column);
  }
  GtkWidget* scroller = gtk_scrolled_window_new(nullptr, nullptr);
  gtk_widget_set_size_request(scroller, 640, 200);
  gtk_container_add(GTK_CONTAINER(scroller), tree);
  return scroller;
}

}  // namespace

int RunHmiDownConfigDialog(GtkWindow* parent, HmiDownConfig& config) {
  GtkWidget* dialog = gtk_dialog_new();
  gtk_window_set_title(GTK_WINDOW(dialog), config.Text(keys::kHmiDownSet).c_str());
  if (parent != nullptr) gtk_window_set_transient_for(GTK_WINDOW(dialog), parent);
  gtk_window_set_modal(GTK_WINDOW(dialog), TRUE);

  HmiDownView view{&config, GTK_DIALOG(dialog), gtk_entry_new(), Label(""), nullptr};
  gtk_editable_set_editable(GTK_EDITABLE(view.folder), FALSE);
  GtkWidget* browse = gtk_button_new_with_label(config.Text(keys::kBrowse).c_str());
  view.confirm = gtk_button_new_with_label(config.Text(keys::kBtnOk).c_str());
  GtkWidget* cancel = gtk_button_new_with_label(config.Text(keys::kCancel).c_str());
  GtkWidget* list = EditorList(config);
  GtkWidget* tree = gtk_bin_get_child(GTK_BIN(list));

  GtkWidget* grid = gtk_grid_new();
  gtk_grid_set_row_spacing(GTK_GRID(grid), 6);
  gtk_grid_set_column_spacing(GTK_GRID(grid), 6);
  gtk_container_set_border_width(GTK_CONTAINER(grid), 8);
  gtk_widget_set_hexpand(view.folder, TRUE);
  gtk_grid_attach(GTK_GRID(grid), Label(config.Text(keys::kPosition)), 0, 0, 1, 1);
  gtk_grid_attach(GTK_GRID(grid), view.folder, 1, 0, 1, 1);
  gtk_grid_attach(GTK_GRID(grid), browse, 2, 0, 1, 1);
  gtk_grid_attach(GTK_GRID(grid), Label(config.Text(keys::kVersion)), 0, 1, 1, 1);
  gtk_grid_attach(GTK_GRID(grid), view.version, 1, 1, 2, 1);
  gtk_grid_attach(GTK_GRID(grid), list, 0, 2, 3, 1);
  GtkWidget* buttons = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 6);
  gtk_box_pack_end(GTK_BOX(buttons), cancel, FALSE, FALSE, 0);
  gtk_box_pack_end(GTK_BOX(buttons), view.confirm, FALSE, FALSE, 0);
  gtk_grid_attach(GTK_GRID(grid), buttons, 0, 3, 3, 1);
  gtk_container_add(GTK_CONTAINER(gtk_dialog_get_content_area(GTK_DIALOG(dialog))), grid);

  Show(&view);
  g_signal_connect(gtk_tree_view_get_selection(GTK_TREE_VIEW(tree)), "changed",
                   G_CALLBACK(OnSelectionChanged), &view);
  g_signal_connect(browse, "clicked", G_CALLBACK(OnBrowse), &view);
  g_signal_connect(view.confirm, "clicked", G_CALLBACK(OnConfirm), &view);
  g_signal_connect(cancel, "clicked", G_CALLBACK(OnCancel), &view);
  gtk_widget_show_all(grid);
  // Nothing is chosen in the list until the user clicks a row.
  gtk_tree_selection_unselect_all(gtk_tree_view_get_selection(GTK_TREE_VIEW(tree)));

  const int response = gtk_dialog_run(GTK_DIALOG(dialog));
  gtk_widget_destroy(dialog);
  return response == GTK_RESPONSE_OK ? GTK_RESPONSE_OK : GTK_RESPONSE_CANCEL;
}

}  // namespace orbo
