#pragma once

#include <windows.h>

#include "app/shell.h"

class Win32Shell;

// What dialog 137's procedure works with while it runs.
struct InstallerDialogContext {
  Win32Shell* shell;
  InstallerDialogModel* model;
};

// The procedure of dialog 137, run modally with an InstallerDialogContext as its parameter.
INT_PTR CALLBACK installerDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
