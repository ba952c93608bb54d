/* Looks at and drives the windows of another program in the same Wine session, the way a user
 * would see and press them, for the smoke run of the Windows program.
 *
 *   window_probe texts <title>            class, id and text of the window and its controls
 *   window_probe rect <title>             x y width height, class name, visible flag
 *   window_probe settext <title> <id> <text>
 *   window_probe click <title> <id>       a button press (WM_COMMAND BN_CLICKED)
 *   window_probe close <title>            WM_CLOSE, as the close box sends it
 *   window_probe waitgone <title>         returns once no window has that title
 *
 * Exit code 0 on success, 1 when the window is not there, 2 on bad usage. */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <windows.h>

static BOOL CALLBACK printControl(HWND control, LPARAM unused) {
  char className[64] = "";
  char text[1024] = "";
  (void)unused;
  GetClassNameA(control, className, sizeof(className));
  SendMessageTimeoutA(control, WM_GETTEXT, sizeof(text), (LPARAM)text, SMTO_BLOCK, 10000, NULL);
  printf("control %d %s \"%s\"\n", GetDlgCtrlID(control), className, text);
  return TRUE;
}

static HWND findTitled(const char* title) {
  /* The program may still be opening the window: look again for a while before giving up. */
  for (int attempt = 0; attempt < 600; ++attempt) {
    HWND window = FindWindowA(NULL, title);
    if (window != NULL) return window;
    Sleep(100);
  }
  return NULL;
}

int main(int argc, char** argv) {
  if (argc < 3) return 2;
  const char* command = argv[1];
  const char* title = argv[2];
  if (strcmp(command, "waitgone") == 0) {
    for (int attempt = 0; attempt < 600; ++attempt) {
      if (FindWindowA(NULL, title) == NULL) return 0;
      Sleep(100);
    }
    return 1;
  }
  HWND window = findTitled(title);
  if (window == NULL) {
    fprintf(stderr, "no window titled \"%s\"\n", title);
    return 1;
  }
  if (strcmp(command, "texts") == 0) {
    char text[1024] = "";
    GetWindowTextA(window, text, sizeof(text));
    printf("window \"%s\"\n", text);
    EnumChildWindows(window, printControl, 0);
    return 0;
  }
  if (strcmp(command, "rect") == 0) {
    RECT place;
    char className[256] = "";
    GetWindowRect(window, &place);
    GetClassNameA(window, className, sizeof(className));
    printf("%ld %ld %ld %ld \"%s\" %s\n", place.left, place.top, place.right - place.left,
           place.bottom - place.top, className, IsWindowVisible(window) ? "visible" : "hidden");
    return 0;
  }
  if (strcmp(command, "close") == 0) return PostMessageA(window, WM_CLOSE, 0, 0) ? 0 : 1;
  if (argc < 4) return 2;
  const int id = atoi(argv[3]);
  HWND control = GetDlgItem(window, id);
  if (strcmp(command, "settext") == 0 && argc == 5) {
    if (control == NULL) return 1;
    return SendMessageA(control, WM_SETTEXT, 0, (LPARAM)argv[4]) ? 0 : 1;
  }
  if (strcmp(command, "click") == 0) {
    return PostMessageA(window, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), (LPARAM)control) ? 0 : 1;
  }
  return 2;
}
