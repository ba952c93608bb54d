#pragma once

#include <windows.h>

// 1 when a message of the main loop goes to the control's accelerator handling: the key-down of
// Tab with any modifiers held, or of C, V or X while Ctrl is held. `controlKeyState` is what
// GetKeyState reports for VK_CONTROL; its toggle bit does not count.
int isForwardedKeyMessage(UINT message, WPARAM key, SHORT controlKeyState);
