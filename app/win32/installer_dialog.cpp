#include "app/win32/installer_dialog.h"

#include <commdlg.h>

#include "app/installer_import.h"
#include "app/message_table.h"
#include "app/win32/win32_shell.h"
#include "app/win32/window_texts.h"
#include "res/resource.h"

namespace {

constexpr int kPathCapacity = MAX_PATH;
// A timer's message comes only once nothing else, painting included, is waiting: it tells the
// model that the dialog is on the screen.
constexpr UINT_PTR kShownTimer = 1;

InstallerDialogContext* contextOf(HWND dialog) {
  return reinterpret_cast<InstallerDialogContext*>(::GetWindowLongPtrA(dialog, DWLP_USER));
}

void initialise(HWND dialog, LPARAM parameter) {
  ::SetWindowLongPtrA(dialog, DWLP_USER, parameter);
  auto* context = reinterpret_cast<InstallerDialogContext*>(parameter);
  if (context != nullptr) context->shell->dialogOpened(dialog);
  RECT own = {};
  ::GetWindowRect(dialog, &own);
  centreWindow(dialog, own.right - own.left, own.bottom - own.top);
  ::SetDlgItemTextA(dialog, IDC_WELCOME_TEXT, kWelcomeText);
  ::SetDlgItemTextA(dialog, IDC_INSTALLER_NOTE, installerFieldNote("").c_str());
  ::SetTimer(dialog, kShownTimer, USER_TIMER_MINIMUM, nullptr);
}

void shown(HWND dialog) {
  ::KillTimer(dialog, kShownTimer);
  InstallerDialogContext* context = contextOf(dialog);
  if (context == nullptr || context->model == nullptr) return;
  if (!context->model->shown()) ::EndDialog(dialog, IDCANCEL);
}

// Keeps the note below the field in step with the path, however it was entered.
void pathChanged(HWND dialog) {
  char path[kPathCapacity] = {};
  ::GetDlgItemTextA(dialog, IDC_INSTALLER_PATH, path, kPathCapacity);
  ::SetDlgItemTextA(dialog, IDC_INSTALLER_NOTE, installerFieldNote(path).c_str());
}

// Only fills the path field; the file is checked on Next.
void browse(HWND dialog) {
  auto* module = reinterpret_cast<HINSTANCE>(::GetWindowLongPtrA(dialog, GWLP_HINSTANCE));
  const std::string filter = fileFilterFromText(loadMessage(module, message_id::kExecutableFilter));
  char path[kPathCapacity] = {};
  OPENFILENAMEA chooser = {};
  chooser.lStructSize = sizeof(chooser);
  chooser.hwndOwner = dialog;
  chooser.hInstance = module;
  chooser.lpstrFilter = filter.c_str();
  chooser.lpstrFile = path;
  chooser.nMaxFile = kPathCapacity;
  chooser.lpstrDefExt = "exe";
  chooser.Flags = OFN_FILEMUSTEXIST | OFN_HIDEREADONLY;
  if (!::GetOpenFileNameA(&chooser)) return;
  ::SetDlgItemTextA(dialog, IDC_INSTALLER_PATH, path);
  // A long path shows its end, where the file name is.
  HWND field = ::GetDlgItem(dialog, IDC_INSTALLER_PATH);
  const LPARAM end = static_cast<LPARAM>(::GetWindowTextLengthA(field));
  ::SendMessageA(field, EM_SETSEL, static_cast<WPARAM>(end), end);
  ::SendMessageA(field, EM_SCROLLCARET, 0, 0);
}

void next(HWND dialog) {
  char path[kPathCapacity] = {};
  ::GetDlgItemTextA(dialog, IDC_INSTALLER_PATH, path, kPathCapacity);
  // An empty path goes to the model too, which says what Next needs.
  InstallerDialogContext* context = contextOf(dialog);
  if (context == nullptr || context->model == nullptr) return;
  if (context->model->next(path)) ::EndDialog(dialog, IDOK);
}

}  // namespace

INT_PTR CALLBACK installerDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      initialise(dialog, lParam);
      return TRUE;
    case WM_TIMER:
      if (wParam != kShownTimer) return FALSE;
      shown(dialog);
      return TRUE;
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case IDC_BROWSE:
          browse(dialog);
          return TRUE;
        case IDC_INSTALLER_PATH:
          if (HIWORD(wParam) != EN_CHANGE) return FALSE;
          pathChanged(dialog);
          return TRUE;
        case IDOK:
          next(dialog);
          return TRUE;
        case IDCANCEL:
          ::EndDialog(dialog, IDCANCEL);
          return TRUE;
        default:
          return FALSE;
      }
    default:
      return FALSE;
  }
}
