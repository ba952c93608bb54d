#include "app/win32/window_texts.h"

std::string loadMessage(HINSTANCE module, int id) {
  char buffer[256] = {};
  const int length = ::LoadStringA(module, static_cast<UINT>(id), buffer, sizeof(buffer));
  return std::string(buffer, length > 0 ? static_cast<std::size_t>(length) : 0);
}

std::string fileFilterFromText(const std::string& text) {
  std::string filter = text;
  for (char& c : filter) {
    if (c == '|') c = '\0';
  }
  // The list ends with an empty entry; the string's own terminator supplies the last NUL.
  if (filter.empty() || filter.back() != '\0') filter += '\0';
  return filter;
}

POINT centredPosition(const RECT& desktop, int width, int height) {
  const int desktopWidth = desktop.right - desktop.left;
  const int desktopHeight = desktop.bottom - desktop.top;
  return POINT{desktop.left + (desktopWidth - width) / 2,
               desktop.top + (desktopHeight - height) / 2};
}

void centreWindow(HWND window, int width, int height) {
  RECT desktop = {};
  ::GetWindowRect(::GetDesktopWindow(), &desktop);
  const POINT at = centredPosition(desktop, width, height);
  ::MoveWindow(window, at.x, at.y, width, height, TRUE);
}
