#include "app/win32/win32_shell.h"

#include <commdlg.h>

#include "app/message_table.h"
#include "app/win32/installer_dialog.h"
#include "app/win32/window_texts.h"
#include "browser/win32/win32_browser_host.h"

// A host that tells the shell when it is gone, so that no box is ever owned by a dead window.
class TrackedBrowserHost final : public Win32BrowserHost {
 public:
  TrackedBrowserHost(Win32Shell& shell, HINSTANCE module)
      : Win32BrowserHost(nullptr, module), shell_(shell) {
    shell_.host_ = this;
  }
  ~TrackedBrowserHost() override {
    if (shell_.host_ == this) shell_.host_ = nullptr;
  }

 private:
  Win32Shell& shell_;
};

int Win32Shell::runInstallerDialog(InstallerDialogModel& model) {
  InstallerDialogContext context{this, &model};
  const INT_PTR result =
      ::DialogBoxParamA(module_, MAKEINTRESOURCEA(kInstallerDialogId), ::GetDesktopWindow(),
                        &installerDialogProc, reinterpret_cast<LPARAM>(&context));
  dialog_ = nullptr;
  return result == IDOK ? kIdOk : kIdCancel;
}

SharedString Win32Shell::chooseSaveFile() {
  const std::string filter =
      fileFilterFromText(loadMessage(module_, message_id::kExecutableFilter));
  char path[MAX_PATH] = {};
  OPENFILENAMEA chooser = {};
  chooser.lStructSize = sizeof(chooser);
  chooser.hwndOwner = ownerWindow();
  chooser.hInstance = module_;
  chooser.lpstrFilter = filter.c_str();
  chooser.lpstrFile = path;
  chooser.nMaxFile = MAX_PATH;
  chooser.lpstrDefExt = "exe";
  chooser.Flags = OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY | OFN_EXTENSIONDIFFERENT;
  if (!::GetSaveFileNameA(&chooser)) return SharedString();
  return SharedString(path);
}

void Win32Shell::showMessage(int messageId, int failure) {
  showMessageWith(messageId, "", failure);
}

void Win32Shell::showMessageWith(int messageId, const char* argument, int failure) {
  const std::string title =
      loadMessage(module_, failure ? message_id::kErrorTitle : message_id::kSucceededTitle);
  const std::string text = formatMessage(loadMessage(module_, messageId), argument);
  ::MessageBoxA(ownerWindow(), text.c_str(), title.c_str(), MB_OK);
}

int Win32Shell::askYesNo(int messageId, const char* argument) {
  const std::string title = loadMessage(module_, message_id::kConfirmTitle);
  const std::string text = formatMessage(loadMessage(module_, messageId), argument);
  return ::MessageBoxA(ownerWindow(), text.c_str(), title.c_str(), MB_YESNO | MB_ICONQUESTION) ==
                 IDYES
             ? 1
             : 0;
}

std::unique_ptr<BrowserHost> Win32Shell::createBrowserHost() {
  return std::make_unique<TrackedBrowserHost>(*this, module_);
}

HWND Win32Shell::ownerWindow() const {
  if (dialog_ != nullptr) return dialog_;
  if (host_ != nullptr) return host_->hostWindow();
  return nullptr;
}
