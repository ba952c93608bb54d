#pragma once

#include <gtk/gtk.h>

#include <string>

#include "app/shell.h"

// Dialog 137 as a GTK dialog: the banner on the left, the welcome text, the group box with the
// installer path and Browse, then Cancel and Next (the default button).
class GtkInstallerDialog {
 public:
  // `banner` may be null (the dialog is then laid out without it).
  explicit GtkInstallerDialog(GdkPixbuf* banner);
  ~GtkInstallerDialog();
  GtkInstallerDialog(const GtkInstallerDialog&) = delete;
  GtkInstallerDialog& operator=(const GtkInstallerDialog&) = delete;

  GtkWindow* window() const { return GTK_WINDOW(dialog_); }

  // Runs modally until Next was accepted by the model (Shell::kIdOk) or the dialog was cancelled
  // or closed (Shell::kIdCancel). The model hears once, from the loop, when the dialog was first
  // painted.
  int run(InstallerDialogModel& model);

  // The path field as the user would type into it, and the note shown below it.
  void setPathText(const char* text);
  const char* noteText() const;

 private:
  static void onBrowse(GtkButton* button, gpointer self);
  static void onPathChanged(GtkEditable* entry, gpointer self);
  static gboolean onFirstDrawn(GtkWidget* widget, cairo_t* cr, gpointer self);
  static gboolean onShownIdle(gpointer self);

  GtkWidget* dialog_;
  GtkWidget* pathEntry_ = nullptr;
  GtkWidget* note_ = nullptr;
  InstallerDialogModel* model_ = nullptr;
  gulong drawnHandler_ = 0;
  guint shownIdle_ = 0;
};

// A Windows control text with '&' mnemonics as a GTK mnemonic label ("B&rowse" -> "B_rowse").
std::string gtkMnemonic(const char* windowsText);
