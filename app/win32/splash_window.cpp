#include "app/win32/splash_window.h"

#include "app/win32/window_texts.h"

void SplashWindow::show(HINSTANCE module) {
  close();
  window_ = ::CreateWindowExA(WS_EX_DLGMODALFRAME, "STATIC", "", WS_POPUP | WS_DLGFRAME | SS_BITMAP,
                              0, 0, 0, 0, nullptr, nullptr, module, nullptr);
  if (window_ == nullptr) return;
  bitmap_ = ::LoadBitmapA(module, MAKEINTRESOURCEA(kBitmapId));
  ::SendMessageA(window_, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(bitmap_));
  BITMAP size = {};
  if (bitmap_ != nullptr) ::GetObjectA(bitmap_, sizeof(size), &size);
  centreWindow(window_, size.bmWidth, size.bmHeight);
  ::ShowWindow(window_, SW_SHOW);
  ::UpdateWindow(window_);
}

void SplashWindow::close() {
  if (window_ != nullptr) ::DestroyWindow(window_);
  window_ = nullptr;
  if (bitmap_ != nullptr) ::DeleteObject(bitmap_);
  bitmap_ = nullptr;
}
