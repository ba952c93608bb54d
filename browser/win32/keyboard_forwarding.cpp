#include "browser/win32/keyboard_forwarding.h"

int isForwardedKeyMessage(UINT message, WPARAM key, SHORT controlKeyState) {
  if (message != WM_KEYDOWN) return 0;
  if (key == VK_TAB) return 1;
  const bool controlDown = (static_cast<unsigned short>(controlKeyState) & 0x8000u) != 0;
  return controlDown && (key == 'C' || key == 'V' || key == 'X') ? 1 : 0;
}
