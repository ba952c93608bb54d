#pragma once

#include <gtk/gtk.h>

#include <functional>

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
  SharedString chooseSaveFile(const PathParts& suggestion) override;
  using Shell::showMessage;
  void showMessage(int messageId, int failure, const std::string& reason) override;
  int askYesNo(int messageId, const char* argument) override;
  std::unique_ptr<BrowserHost> createBrowserHost() override;
  void watchTermination(std::function<void()> handler) override;

 private:
  class ShellBrowserHost;
  struct SignalWatch {
    GtkShell* shell;
    int signal;
    guint source;
  };

  static gboolean onTerminationSignal(gpointer watch);

  // The window that owns choosers and boxes: the open dialog, else the host window, else none.
  GtkWindow* owner() const;

  ResourceSource& resources_;
  GtkWidget* splash_ = nullptr;
  GtkWindow* dialogWindow_ = nullptr;
  ShellBrowserHost* host_ = nullptr;
  std::function<void()> terminationHandler_;
  SignalWatch signalWatches_[3] = {};
};
