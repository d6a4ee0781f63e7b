#include "app/dialogs/vircom_config_dialog.h"

#include <map>
#include <memory>
#include <utility>

#include "app/dialogs/hmi_down_config_dialog.h"

namespace orbo {

class VirComConfigDialog {
 public:
  VirComConfigDialog(GtkWindow* parent, VirComConfigContext& ctx);
  ~VirComConfigDialog() {
    if (trafficTimer_ != 0) g_source_remove(trafficTimer_);
    gtk_widget_destroy(dialog_);
  }
  VirComConfigDialog(const VirComConfigDialog&) = delete;
  VirComConfigDialog& operator=(const VirComConfigDialog&) = delete;

  int Run();
  bool Drive(const std::string& control, const std::string& entry);
  const VirComConfigModel& model() const { return config_->model(); }

 private:
  enum class Kind { kFrame, kLabel, kButton, kCheck, kCombo };

  GtkWidget* Make(int id, Kind kind);
  GtkWidget* Group(int id, std::initializer_list<std::initializer_list<int>> rows);
  void Build();
  void Show();
  void ShowProgress();
  std::string Chosen(int list) const;
  void Clicked(int id);
  static void OnClicked(GtkButton* button, gpointer self);
  // Once a second while the dialog is open: the traffic label only (the
  // lists keep the user's choice).
  static gboolean OnTrafficTimer(gpointer self);

  VirComConfigContext& ctx_;
  GtkWidget* dialog_;
  std::unique_ptr<VirComConfig> config_;
  std::map<int, GtkWidget*> widgets_;
  std::map<int, Kind> kinds_;
  bool showing_ = false;  // Show() is setting widgets: their signals are not the user's
  guint trafficTimer_ = 0;
};

VirComConfigDialog::VirComConfigDialog(GtkWindow* parent, VirComConfigContext& ctx)
    : ctx_(ctx), dialog_(gtk_dialog_new()) {
  if (parent != nullptr) gtk_window_set_transient_for(GTK_WINDOW(dialog_), parent);
  gtk_window_set_modal(GTK_WINDOW(dialog_), TRUE);
  gtk_window_set_resizable(GTK_WINDOW(dialog_), FALSE);
  VirComConfigDeps deps = ctx.deps;
  deps.runHmiDownConfig = [this](const EditorSettings& preset) {
    HmiDownConfig config(ctx_.hmi, preset);
    return RunHmiDownConfigDialog(GTK_WINDOW(dialog_), config) == GTK_RESPONSE_OK;
  };
  deps.showProgress = [this] { ShowProgress(); };
  config_ = std::make_unique<VirComConfig>(std::move(deps));
  Build();
}

GtkWidget* VirComConfigDialog::Make(int id, Kind kind) {
  GtkWidget* widget = nullptr;
  switch (kind) {
    case Kind::kFrame:
      widget = gtk_frame_new(nullptr);
      break;
    case Kind::kLabel:
      widget = gtk_label_new(nullptr);
      gtk_label_set_xalign(GTK_LABEL(widget), 0);
      gtk_widget_set_hexpand(widget, TRUE);
      break;
    case Kind::kButton:
      widget = gtk_button_new();
      break;
    case Kind::kCheck:
      widget = gtk_check_button_new();
      break;
    case Kind::kCombo:
      widget = gtk_combo_box_text_new();
      gtk_widget_set_hexpand(widget, TRUE);
      break;
  }
  if (kind == Kind::kButton || kind == Kind::kCheck) {
    g_object_set_data(G_OBJECT(widget), "control-id", GINT_TO_POINTER(id));
    g_signal_connect(widget, "clicked", G_CALLBACK(OnClicked), this);
  }
  widgets_[id] = widget;
  kinds_[id] = kind;
  return widget;
}

// A group frame holding rows of controls.
GtkWidget* VirComConfigDialog::Group(int id,
                                     std::initializer_list<std::initializer_list<int>> rows) {
  GtkWidget* frame = widgets_.at(id);
  GtkWidget* grid = gtk_grid_new();
  gtk_grid_set_row_spacing(GTK_GRID(grid), 6);
  gtk_grid_set_column_spacing(GTK_GRID(grid), 6);
  gtk_container_set_border_width(GTK_CONTAINER(grid), 6);
  int row = 0;
  for (const auto& controls : rows) {
    int column = 0;
    for (int control : controls)
      gtk_grid_attach(GTK_GRID(grid), widgets_.at(control), column++, row, 1, 1);
    ++row;
  }
  gtk_container_add(GTK_CONTAINER(frame), grid);
  return frame;
}

void VirComConfigDialog::Build() {
  for (int id : {kVirtualGroup, kPortGroup, kBrowserGroup, kServerGroup, kCertGroup, kHmiGroup}) {
    Make(id, Kind::kFrame);
  }
  for (int id : {kServiceState, kBrowserHint, kHmiState, kTraffic}) Make(id, Kind::kLabel);
  for (int id : {kServiceButton, kComApply, kBrowserApply, kBrowserAdd, kServerApply, kCertImport,
                 kHmiSettings}) {
    Make(id, Kind::kButton);
  }
  Make(kServerOption, Kind::kCheck);
  for (int id : {kComList, kBrowserList, kServerList}) Make(id, Kind::kCombo);

  GtkWidget* column = gtk_box_new(GTK_ORIENTATION_VERTICAL, 8);
  gtk_container_set_border_width(GTK_CONTAINER(column), 10);
  gtk_widget_set_size_request(column, 420, -1);
  gtk_box_pack_start(GTK_BOX(column),
                     Group(kVirtualGroup, {{kServiceState, kServiceButton}, {kServerOption}}),
                     FALSE, FALSE, 0);
  gtk_box_pack_start(GTK_BOX(column), Group(kPortGroup, {{kComList, kComApply}, {kTraffic}}), FALSE,
                     FALSE, 0);
  gtk_box_pack_start(
      GTK_BOX(column),
      Group(kBrowserGroup, {{kBrowserHint}, {kBrowserList, kBrowserApply, kBrowserAdd}}), FALSE,
      FALSE, 0);
  gtk_box_pack_start(GTK_BOX(column), Group(kServerGroup, {{kServerList, kServerApply}}), FALSE,
                     FALSE, 0);
  gtk_box_pack_start(GTK_BOX(column), Group(kCertGroup, {{kCertImport}}), FALSE, FALSE, 0);
  gtk_box_pack_start(GTK_BOX(column), Group(kHmiGroup, {{kHmiState, kHmiSettings}}), FALSE, FALSE,
                     0);
  gtk_container_add(GTK_CONTAINER(gtk_dialog_get_content_area(GTK_DIALOG(dialog_))), column);
  gtk_widget_show_all(column);
}

void VirComConfigDialog::Show() {
  showing_ = true;
  const VirComConfigModel& m = config_->model();
  gtk_window_set_title(GTK_WINDOW(dialog_), m.title.c_str());
  for (const auto& [id, widget] : widgets_) {
    const DialogControl& control = m.at(id);
    switch (kinds_.at(id)) {
      case Kind::kFrame:
        gtk_frame_set_label(GTK_FRAME(widget),
                            control.text.empty() ? nullptr : control.text.c_str());
        break;
      case Kind::kLabel:
        gtk_label_set_text(GTK_LABEL(widget), control.text.c_str());
        break;
      case Kind::kButton:
      case Kind::kCheck:
        gtk_button_set_label(GTK_BUTTON(widget), control.text.c_str());
        break;
      case Kind::kCombo:
        break;
    }
    gtk_widget_set_visible(widget, control.visible);
    gtk_widget_set_sensitive(widget, control.enabled);
  }
  gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(widgets_.at(kServerOption)),
                               m.serverOptionChecked);
  for (const auto& [id, choices] : {std::pair<int, const DialogChoices*>{kComList, &m.com},
                                    {kBrowserList, &m.browsers},
                                    {kServerList, &m.servers}}) {
    GtkComboBoxText* combo = GTK_COMBO_BOX_TEXT(widgets_.at(id));
    gtk_combo_box_text_remove_all(combo);
    for (const std::string& entry : choices->entries)
      gtk_combo_box_text_append_text(combo, entry.c_str());
    gtk_combo_box_set_active(GTK_COMBO_BOX(combo), choices->selected);
  }
  showing_ = false;
}

void VirComConfigDialog::ShowProgress() {
  Show();
  // The step blocks the main loop: let the change be drawn first, with the
  // dialog closed to input meanwhile.
  GtkWidget* content = gtk_dialog_get_content_area(GTK_DIALOG(dialog_));
  gtk_widget_set_sensitive(content, FALSE);
  while (gtk_events_pending()) gtk_main_iteration_do(FALSE);
  gtk_widget_set_sensitive(content, TRUE);
}

std::string VirComConfigDialog::Chosen(int list) const {
  gchar* text = gtk_combo_box_text_get_active_text(GTK_COMBO_BOX_TEXT(widgets_.at(list)));
  std::string chosen = text != nullptr ? text : "";
  g_free(text);
  return chosen;
}

void VirComConfigDialog::Clicked(int id) {
  if (showing_) return;
  switch (id) {
    case kServiceButton:
      config_->OnServiceButton();
      break;
    case kComApply:
      config_->OnApplyCom(Chosen(kComList));
      break;
    case kServerOption:
      config_->OnServerOption(
          gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(widgets_.at(kServerOption))));
      break;
    case kBrowserApply:
      config_->OnApplyBrowser(Chosen(kBrowserList));
      break;
    case kBrowserAdd:
      config_->OnAddBrowser();
      break;
    case kServerApply:
      config_->OnApplyServer(Chosen(kServerList));
      break;
    case kHmiSettings:
      config_->OnHmiSettings();
      break;
    case kCertImport:
      if (config_->OnCertificateImport()) {
        gtk_dialog_response(GTK_DIALOG(dialog_), GTK_RESPONSE_OK);
        return;
      }
      break;
  }
  Show();
}

void VirComConfigDialog::OnClicked(GtkButton* button, gpointer self) {
  static_cast<VirComConfigDialog*>(self)->Clicked(
      GPOINTER_TO_INT(g_object_get_data(G_OBJECT(button), "control-id")));
}

gboolean VirComConfigDialog::OnTrafficTimer(gpointer self) {
  auto* dialog = static_cast<VirComConfigDialog*>(self);
  dialog->config_->RefreshTraffic();
  gtk_label_set_text(GTK_LABEL(dialog->widgets_.at(kTraffic)),
                     dialog->config_->model().at(kTraffic).text.c_str());
  return G_SOURCE_CONTINUE;
}

int VirComConfigDialog::Run() {
  config_->Open();
  Show();
  trafficTimer_ = g_timeout_add_seconds(1, OnTrafficTimer, this);
  if (ctx_.onShown) ctx_.onShown(this);
  const int response = gtk_dialog_run(GTK_DIALOG(dialog_));
  if (ctx_.onShown) ctx_.onShown(nullptr);
  return response == GTK_RESPONSE_OK ? GTK_RESPONSE_OK : GTK_RESPONSE_CANCEL;
}

bool VirComConfigDialog::Drive(const std::string& control, const std::string& entry) {
  if (control == "close") {
    gtk_dialog_response(GTK_DIALOG(dialog_), GTK_RESPONSE_CANCEL);
    return true;
  }
  static const std::map<std::string, std::pair<int, int>> kLists = {
      {"com", {kComList, kComApply}},
      {"browser", {kBrowserList, kBrowserApply}},
      {"server", {kServerList, kServerApply}},
  };
  static const std::map<std::string, int> kButtons = {{"service", kServiceButton},
                                                      {"option", kServerOption}};
  int button = 0;
  if (const auto list = kLists.find(control); list != kLists.end()) {
    button = list->second.second;
    if (!entry.empty()) {
      const DialogChoices& choices = list->first == "com"       ? model().com
                                     : list->first == "browser" ? model().browsers
                                                                : model().servers;
      int index = -1;
      for (size_t i = 0; i < choices.entries.size(); ++i) {
        if (choices.entries[i] == entry) index = static_cast<int>(i);
      }
      if (index < 0) return false;
      gtk_combo_box_set_active(GTK_COMBO_BOX(widgets_.at(list->second.first)), index);
    }
  } else if (const auto it = kButtons.find(control); it != kButtons.end()) {
    button = it->second;
  } else {
    return false;
  }
  GtkWidget* widget = widgets_.at(button);
  if (!gtk_widget_is_sensitive(widget) || !gtk_widget_get_visible(widget)) return false;
  gtk_button_clicked(GTK_BUTTON(widget));
  return true;
}

int RunVirComConfigDialog(GtkWindow* parent, VirComConfigContext& ctx) {
  VirComConfigDialog dialog(parent, ctx);
  return dialog.Run();
}

bool DriveVirComConfigDialog(VirComConfigDialog* dialog, const std::string& control,
                             const std::string& entry) {
  return dialog != nullptr && dialog->Drive(control, entry);
}

const VirComConfigModel& VirComConfigDialogModel(const VirComConfigDialog* dialog) {
  return dialog->model();
}

}  // namespace orbo
