#pragma once

#include <windows.h>

#include <memory>

#include "app/shell.h"
#include "app/win32/splash_window.h"

class Win32BrowserHost;

// The workflow's windows on Windows: the splash, dialog 137, the common file dialogs, message
// boxes and the WebBrowser host.
class Win32Shell final : public Shell {
 public:
  static constexpr int kInstallerDialogId = 137;

  explicit Win32Shell(HINSTANCE module) : module_(module) {}

  void showSplash() override { splash_.show(module_); }
  void closeSplash() override { splash_.close(); }
  int runInstallerDialog(InstallerDialogModel& model) override;
  SharedString chooseSaveFile() override;
  void showMessage(int messageId, int failure) override;
  void showMessageWith(int messageId, const char* argument, int failure) override;
  int askYesNo(int messageId, const char* argument) override;
  std::unique_ptr<BrowserHost> createBrowserHost() override;

  // Dialog 137 reports itself when it opens, so that boxes shown meanwhile belong to it.
  void dialogOpened(HWND dialog) { dialog_ = dialog; }
  // The owner of boxes and choosers: the open dialog, else the host window, else none.
  HWND ownerWindow() const;

 private:
  friend class TrackedBrowserHost;

  HINSTANCE module_;
  SplashWindow splash_;
  HWND dialog_ = nullptr;
  // The live host, which the workflow owns; it clears this when it is deleted.
  Win32BrowserHost* host_ = nullptr;
};
