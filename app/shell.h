#pragma once

#include <functional>
#include <memory>
#include <string>

#include "app/save_destination.h"
#include "base/shared_string.h"
#include "browser/browser_host.h"

// What dialog 137's Next button does; the front end calls it with the text of the path field.
class InstallerDialogModel {
 public:
  virtual ~InstallerDialogModel() = default;
  // 1 when the installer was imported and the dialog ends with IDOK; 0 keeps it open.
  virtual int next(const char* pathText) = 0;
  // Called once, when the dialog has first been painted: start-up uses the time the administrator
  // spends in the dialog. 0 ends the dialog with IDCANCEL.
  virtual int shown() { return 1; }
};

// The windows of one platform, as the workflow needs them. app/gtk and app/win32 implement it;
// the unit tests drive the workflow through a scripted one.
class Shell {
 public:
  static constexpr int kIdOk = 1;
  static constexpr int kIdCancel = 2;

  virtual ~Shell() = default;

  // The splash: bitmap 135 at its own size, centred on the desktop, painted before returning
  // (the main thread then blocks on the Workspace folder's creation without pumping messages).
  // It stays until the installer dialog is on the screen.
  virtual void showSplash() = 0;
  virtual void closeSplash() = 0;

  // Runs dialog 137 modally, centred, with the welcome text. Browse fills the path field from an
  // open chooser ("Player Executable File (*.exe)", default extension "exe", file must exist);
  // Next calls model.next(path field) and ends with kIdOk when it returns 1; Cancel and closing
  // end with kIdCancel. Once the dialog is on the screen it calls model.shown().
  virtual int runInstallerDialog(InstallerDialogModel& model) = 0;

  // The Save chooser: filter "Player Executable File (*.exe)", default extension "exe",
  // overwrite confirmation, opened in `suggestion.folder` with `suggestion.name` filled in (each
  // when not empty). The chosen path, or the empty string when cancelled.
  virtual SharedString chooseSaveFile(const PathParts& suggestion) = 0;

  // A modal box with an OK button, owned by the open dialog or else by the host window; the
  // title is text 4 "Error" when `failure` is set, else text 50 "Succeeded". The `reason` (the
  // path, the file and what the system said about it) takes the place of the message's "%s", or
  // is shown below a message without one (composeMessage).
  virtual void showMessage(int messageId, int failure, const std::string& reason) = 0;
  void showMessage(int messageId, int failure) { showMessage(messageId, failure, std::string()); }

  // A modal question box with Yes and No, owned as showMessage's boxes are and titled "Confirm":
  // the text of `messageId` with `argument` in place of its "%s". 1 for Yes.
  virtual int askYesNo(int messageId, const char* argument) = 0;

  // The platform's browser host; the workflow creates its window, fills in its texts, shows it
  // and runs its loop.
  virtual std::unique_ptr<BrowserHost> createBrowserHost() = 0;

  // From now on, when the system asks the program to end (SIGINT, SIGTERM or SIGHUP; on Windows
  // the console closing, log-off or shut-down), `handler` runs on the main thread, never inside a
  // signal handler, and the program then ends. An empty handler stops watching.
  virtual void watchTermination(std::function<void()> handler) = 0;
};
