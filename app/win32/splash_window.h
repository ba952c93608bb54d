#pragma once

#include <windows.h>

// The splash: a static control showing bitmap 135 at its own size, centred on the desktop. It
// is painted when shown, because the main thread then waits without pumping messages.
class SplashWindow {
 public:
  static constexpr int kBitmapId = 135;

  SplashWindow() = default;
  ~SplashWindow() { close(); }
  SplashWindow(const SplashWindow&) = delete;
  SplashWindow& operator=(const SplashWindow&) = delete;

  void show(HINSTANCE module);
  void close();
  HWND window() const { return window_; }

 private:
  HWND window_ = nullptr;
  HBITMAP bitmap_ = nullptr;
};
