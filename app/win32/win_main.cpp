// clang-format off
#include <windows.h>
#include <commctrl.h>
// clang-format on

#include "app/application.h"
#include "app/win32/win32_shell.h"
#include "workspace/module_resource_source.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  // The manifest asks for the themed common controls; they must be registered before the dialog.
  INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_STANDARD_CLASSES};
  ::InitCommonControlsEx(&controls);

  Win32Shell shell(instance);
  ModuleResourceSource programResources(instance);
  return runApplication(shell, programResources, instance);
}
