#include "browser/win32/wide_text.h"

#include <windows.h>

std::string narrowFromWide(const wchar_t* text) {
  if (text == nullptr || *text == L'\0') return std::string();
  const int needed = ::WideCharToMultiByte(CP_ACP, 0, text, -1, nullptr, 0, nullptr, nullptr);
  if (needed <= 1) return std::string();
  std::string narrow(static_cast<std::size_t>(needed), '\0');
  ::WideCharToMultiByte(CP_ACP, 0, text, -1, narrow.data(), needed, nullptr, nullptr);
  narrow.resize(static_cast<std::size_t>(needed - 1));
  return narrow;
}

std::wstring wideFromNarrow(const char* text) {
  if (text == nullptr || *text == '\0') return std::wstring();
  const int needed = ::MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
  if (needed <= 1) return std::wstring();
  std::wstring wide(static_cast<std::size_t>(needed), L'\0');
  ::MultiByteToWideChar(CP_ACP, 0, text, -1, wide.data(), needed);
  wide.resize(static_cast<std::size_t>(needed - 1));
  return wide;
}
