#pragma once

#include <windows.h>

#include <functional>
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
  SharedString chooseSaveFile(const PathParts& suggestion) override;
  using Shell::showMessage;
  void showMessage(int messageId, int failure, const std::string& reason) override;
  int askYesNo(int messageId, const char* argument) override;
  std::unique_ptr<BrowserHost> createBrowserHost() override;
  void watchTermination(std::function<void()> handler) override;

  // Dialog 137 reports itself when it opens, so that boxes shown meanwhile belong to it.
  void dialogOpened(HWND dialog) { dialog_ = dialog; }
  // The owner of boxes and choosers: the open dialog, else the host window, else none.
  HWND ownerWindow() const;

 private:
  friend class TrackedBrowserHost;

  static LRESULT CALLBACK sessionWindowProc(HWND window, UINT message, WPARAM wParam,
                                            LPARAM lParam);
  static BOOL WINAPI onConsoleEvent(DWORD event);
  void runTerminationHandler();

  HINSTANCE module_;
  SplashWindow splash_;
  HWND dialog_ = nullptr;
  // The live host, which the workflow owns; it clears this when it is deleted.
  Win32BrowserHost* host_ = nullptr;
  std::function<void()> terminationHandler_;
  // A hidden top-level window: the system tells such windows when the session ends.
  HWND sessionWindow_ = nullptr;
};
