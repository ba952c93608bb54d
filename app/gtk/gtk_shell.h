#pragma once

#include <gtk/gtk.h>

#include "app/shell.h"
#include "workspace/resource_source.h"

// The workflow's windows on Linux, made with GTK 3. Call gtk_init before making one.
class GtkShell : public Shell {
 public:
  // Bitmaps 104 and 135 and icon 101 come from `programResources`; a missing one is not drawn.
  explicit GtkShell(ResourceSource& programResources);
  ~GtkShell() override;

  void showSplash() override;
  void closeSplash() override;
  int runInstallerDialog(InstallerDialogModel& model) override;
  SharedString chooseSaveFile() override;
  void showMessage(int messageId, int failure) override;
  void showMessageWith(int messageId, const char* argument, int failure) override;
  int askYesNo(int messageId, const char* argument) override;
  std::unique_ptr<BrowserHost> createBrowserHost() override;

 private:
  class ShellBrowserHost;

  // The window that owns choosers and boxes: the open dialog, else the host window, else none.
  GtkWindow* owner() const;

  ResourceSource& resources_;
  GtkWidget* splash_ = nullptr;
  GtkWindow* dialogWindow_ = nullptr;
  ShellBrowserHost* host_ = nullptr;
};
