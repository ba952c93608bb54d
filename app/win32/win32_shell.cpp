#include "app/win32/win32_shell.h"

#include <commdlg.h>

#include "app/message_table.h"
#include "app/win32/installer_dialog.h"
#include "app/win32/window_texts.h"
#include "browser/win32/win32_browser_host.h"

namespace {

constexpr char kSessionWindowClass[] = "KxSessionWatch";
// Sent by the console's handler thread, so that the handler runs on the main thread.
constexpr UINT kRunTermination = WM_APP + 1;
// The console's handler must return within the few seconds the system allows.
constexpr UINT kConsoleWaitMs = 4000;

// The shell whose handler the console events reach; there is one shell per program.
Win32Shell* watchingShell = nullptr;

}  // namespace

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

SharedString Win32Shell::chooseSaveFile(const PathParts& suggestion) {
  const std::string filter =
      fileFilterFromText(loadMessage(module_, message_id::kExecutableFilter));
  char path[MAX_PATH] = {};
  // A name too long for the buffer is not offered rather than cut.
  if (suggestion.name.size() < MAX_PATH) {
    suggestion.name.copy(path, suggestion.name.size());
  }
  OPENFILENAMEA chooser = {};
  chooser.lStructSize = sizeof(chooser);
  chooser.hwndOwner = ownerWindow();
  chooser.hInstance = module_;
  chooser.lpstrFilter = filter.c_str();
  if (!suggestion.folder.empty()) chooser.lpstrInitialDir = suggestion.folder.c_str();
  chooser.lpstrFile = path;
  chooser.nMaxFile = MAX_PATH;
  chooser.lpstrDefExt = "exe";
  chooser.Flags = OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY | OFN_EXTENSIONDIFFERENT;
  if (!::GetSaveFileNameA(&chooser)) return SharedString();
  return SharedString(path);
}

void Win32Shell::showMessage(int messageId, int failure, const std::string& reason) {
  const std::string title =
      loadMessage(module_, failure ? message_id::kErrorTitle : message_id::kSucceededTitle);
  const std::string text = composeMessage(loadMessage(module_, messageId).c_str(), reason);
  ::MessageBoxA(ownerWindow(), text.c_str(), title.c_str(), MB_OK);
}

int Win32Shell::askYesNo(int messageId, const char* argument) {
  const std::string title = loadMessage(module_, message_id::kConfirmTitle);
  const std::string text =
      composeMessage(loadMessage(module_, messageId).c_str(), argument != nullptr ? argument : "");
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

void Win32Shell::watchTermination(std::function<void()> handler) {
  terminationHandler_ = std::move(handler);
  if (terminationHandler_ && sessionWindow_ == nullptr) {
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = &sessionWindowProc;
    windowClass.hInstance = module_;
    windowClass.lpszClassName = kSessionWindowClass;
    ::RegisterClassA(&windowClass);
    sessionWindow_ = ::CreateWindowExA(0, kSessionWindowClass, "", WS_POPUP, 0, 0, 0, 0, nullptr,
                                       nullptr, module_, nullptr);
    watchingShell = this;
    ::SetConsoleCtrlHandler(&onConsoleEvent, TRUE);
  } else if (!terminationHandler_ && sessionWindow_ != nullptr) {
    ::SetConsoleCtrlHandler(&onConsoleEvent, FALSE);
    watchingShell = nullptr;
    ::DestroyWindow(sessionWindow_);
    sessionWindow_ = nullptr;
  }
}

void Win32Shell::runTerminationHandler() {
  if (!terminationHandler_) return;
  const std::function<void()> handler = std::move(terminationHandler_);
  terminationHandler_ = nullptr;
  handler();
}

LRESULT CALLBACK Win32Shell::sessionWindowProc(HWND window, UINT message, WPARAM wParam,
                                               LPARAM lParam) {
  switch (message) {
    case WM_QUERYENDSESSION:
      return TRUE;
    case WM_ENDSESSION:
      // The process ends once this returns when the session really ends.
      if (wParam && watchingShell != nullptr) watchingShell->runTerminationHandler();
      return 0;
    case kRunTermination:
      if (watchingShell != nullptr) watchingShell->runTerminationHandler();
      return 0;
    default:
      return ::DefWindowProcA(window, message, wParam, lParam);
  }
}

BOOL WINAPI Win32Shell::onConsoleEvent(DWORD) {
  // This runs on a thread of its own; the main thread does the work while it pumps messages.
  Win32Shell* shell = watchingShell;
  if (shell != nullptr && shell->sessionWindow_ != nullptr) {
    DWORD_PTR ignored = 0;
    ::SendMessageTimeoutA(shell->sessionWindow_, kRunTermination, 0, 0, SMTO_NORMAL, kConsoleWaitMs,
                          &ignored);
  }
  // The system's own handler then ends the process.
  return FALSE;
}
