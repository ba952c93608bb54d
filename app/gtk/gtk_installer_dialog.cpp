#include "app/gtk/gtk_installer_dialog.h"

#include <string>

#include "app/gtk/gtk_file_choosers.h"
#include "app/gtk/window_placement.h"
#include "app/installer_import.h"
#include "app/message_table.h"
#include "browser/gtk/startup_trace.h"

namespace {

// Dialog units of the template ("Microsoft Sans Serif" 8) come out at about 1.5 pixels across.
constexpr int kMargin = 13;
constexpr int kWelcomeWidth = 288;

}  // namespace

std::string gtkMnemonic(const char* windowsText) {
  std::string label;
  for (const char* p = windowsText; *p != '\0'; ++p) {
    if (*p == '&') {
      if (p[1] == '&') {
        label += '&';
        ++p;
      } else {
        label += '_';
      }
    } else if (*p == '_') {
      label += "__";
    } else {
      label += *p;
    }
  }
  return label;
}

GtkInstallerDialog::GtkInstallerDialog(GdkPixbuf* banner) : dialog_(gtk_dialog_new()) {
  GtkWindow* window = GTK_WINDOW(dialog_);
  gtk_window_set_title(window, kInstallerDialogTitle);
  gtk_window_set_resizable(window, FALSE);
  gtk_window_set_modal(window, TRUE);

  GtkWidget* row = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, kMargin);
  gtk_container_set_border_width(GTK_CONTAINER(row), kMargin);
  if (banner != nullptr) {
    GtkWidget* picture = gtk_image_new_from_pixbuf(banner);
    gtk_widget_set_valign(picture, GTK_ALIGN_START);
    gtk_box_pack_start(GTK_BOX(row), picture, FALSE, FALSE, 0);
  }

  GtkWidget* column = gtk_box_new(GTK_ORIENTATION_VERTICAL, kMargin);
  GtkWidget* welcome = gtk_label_new(kWelcomeText);
  gtk_label_set_line_wrap(GTK_LABEL(welcome), TRUE);
  gtk_label_set_xalign(GTK_LABEL(welcome), 0.0f);
  gtk_label_set_yalign(GTK_LABEL(welcome), 0.0f);
  gtk_label_set_max_width_chars(GTK_LABEL(welcome), 1);
  gtk_widget_set_size_request(welcome, kWelcomeWidth, -1);
  gtk_box_pack_start(GTK_BOX(column), welcome, TRUE, TRUE, 0);

  GtkWidget* group = gtk_frame_new("Player Installer File Location");
  GtkWidget* groupColumn = gtk_box_new(GTK_ORIENTATION_VERTICAL, 4);
  gtk_container_set_border_width(GTK_CONTAINER(groupColumn), 8);
  GtkWidget* pathRow = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 6);
  pathEntry_ = gtk_entry_new();
  gtk_entry_set_activates_default(GTK_ENTRY(pathEntry_), TRUE);
  g_signal_connect(pathEntry_, "changed", G_CALLBACK(onPathChanged), this);
  gtk_box_pack_start(GTK_BOX(pathRow), pathEntry_, TRUE, TRUE, 0);
  GtkWidget* browse = gtk_button_new_with_mnemonic(gtkMnemonic("B&rowse").c_str());
  g_signal_connect(browse, "clicked", G_CALLBACK(onBrowse), this);
  gtk_box_pack_start(GTK_BOX(pathRow), browse, FALSE, FALSE, 0);
  gtk_box_pack_start(GTK_BOX(groupColumn), pathRow, FALSE, FALSE, 0);
  // The file name stays readable below the field however long the path is; a long name wraps
  // rather than being cut.
  note_ = gtk_label_new(installerFieldNote("").c_str());
  gtk_label_set_xalign(GTK_LABEL(note_), 0.0f);
  gtk_label_set_line_wrap(GTK_LABEL(note_), TRUE);
  gtk_label_set_line_wrap_mode(GTK_LABEL(note_), PANGO_WRAP_WORD_CHAR);
  gtk_label_set_max_width_chars(GTK_LABEL(note_), 1);
  gtk_box_pack_start(GTK_BOX(groupColumn), note_, FALSE, FALSE, 0);
  gtk_container_add(GTK_CONTAINER(group), groupColumn);
  gtk_box_pack_start(GTK_BOX(column), group, FALSE, FALSE, 0);
  gtk_box_pack_start(GTK_BOX(row), column, TRUE, TRUE, 0);

  gtk_box_pack_start(GTK_BOX(gtk_dialog_get_content_area(GTK_DIALOG(dialog_))), row, TRUE, TRUE, 0);
  gtk_dialog_add_button(GTK_DIALOG(dialog_), gtkMnemonic("&Cancel").c_str(), GTK_RESPONSE_CANCEL);
  gtk_dialog_add_button(GTK_DIALOG(dialog_), gtkMnemonic("&Next").c_str(), GTK_RESPONSE_OK);
  gtk_dialog_set_default_response(GTK_DIALOG(dialog_), GTK_RESPONSE_OK);
  gtk_widget_show_all(row);
  gtk_widget_grab_focus(pathEntry_);
}

GtkInstallerDialog::~GtkInstallerDialog() { gtk_widget_destroy(dialog_); }

int GtkInstallerDialog::run(InstallerDialogModel& model) {
  model_ = &model;
  drawnHandler_ = g_signal_connect_after(dialog_, "draw", G_CALLBACK(onFirstDrawn), this);
  centreWindowAtNaturalSize(window());
  gtk_widget_show(dialog_);
  traceStartupEvent("installer dialog shown");
  int result = Shell::kIdCancel;
  for (;;) {
    const int response = gtk_dialog_run(GTK_DIALOG(dialog_));
    if (response != GTK_RESPONSE_OK) break;
    traceStartupEvent("next pressed");
    if (model.next(gtk_entry_get_text(GTK_ENTRY(pathEntry_)))) {
      result = Shell::kIdOk;
      break;
    }
  }
  // A dialog that ended before its first paint, or before the loop came to it, says nothing more.
  if (drawnHandler_ != 0) g_signal_handler_disconnect(dialog_, drawnHandler_);
  if (shownIdle_ != 0) g_source_remove(shownIdle_);
  drawnHandler_ = 0;
  shownIdle_ = 0;
  model_ = nullptr;
  return result;
}

gboolean GtkInstallerDialog::onFirstDrawn(GtkWidget*, cairo_t*, gpointer self) {
  auto* dialog = static_cast<GtkInstallerDialog*>(self);
  g_signal_handler_disconnect(dialog->dialog_, dialog->drawnHandler_);
  dialog->drawnHandler_ = 0;
  // The model's work waits until this frame has reached the screen.
  dialog->shownIdle_ = g_idle_add(onShownIdle, dialog);
  return FALSE;
}

gboolean GtkInstallerDialog::onShownIdle(gpointer self) {
  auto* dialog = static_cast<GtkInstallerDialog*>(self);
  dialog->shownIdle_ = 0;
  gdk_display_flush(gtk_widget_get_display(dialog->dialog_));
  traceStartupEvent("installer dialog painted");
  if (dialog->model_ != nullptr && !dialog->model_->shown()) {
    gtk_dialog_response(GTK_DIALOG(dialog->dialog_), GTK_RESPONSE_CANCEL);
  }
  return G_SOURCE_REMOVE;
}

void GtkInstallerDialog::onBrowse(GtkButton*, gpointer self) {
  auto* dialog = static_cast<GtkInstallerDialog*>(self);
  const SharedString path = chooseInstallerFile(dialog->window());
  if (path.empty()) return;
  gtk_entry_set_text(GTK_ENTRY(dialog->pathEntry_), path.text());
  // A long path shows its end, where the file name is.
  gtk_editable_set_position(GTK_EDITABLE(dialog->pathEntry_), -1);
}

void GtkInstallerDialog::onPathChanged(GtkEditable* entry, gpointer self) {
  auto* dialog = static_cast<GtkInstallerDialog*>(self);
  const std::string note = installerFieldNote(gtk_entry_get_text(GTK_ENTRY(entry)));
  gtk_label_set_text(GTK_LABEL(dialog->note_), note.c_str());
}

const char* GtkInstallerDialog::noteText() const { return gtk_label_get_text(GTK_LABEL(note_)); }

void GtkInstallerDialog::setPathText(const char* text) {
  gtk_entry_set_text(GTK_ENTRY(pathEntry_), text);
}
