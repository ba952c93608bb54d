#include "browser/win32/navigation_error.h"

#include <windows.h>

#include <cstdio>

namespace {

std::string formatted(DWORD flags, HMODULE module, DWORD status) {
  char* buffer = nullptr;
  const DWORD length =
      ::FormatMessageA(flags | FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS,
                       module, status, 0, reinterpret_cast<char*>(&buffer), 0, nullptr);
  std::string text = length != 0 && buffer != nullptr ? std::string(buffer, length) : std::string();
  if (buffer != nullptr) ::LocalFree(buffer);
  while (!text.empty() && (text.back() == '\r' || text.back() == '\n' || text.back() == ' '))
    text.pop_back();
  return text;
}

}  // namespace

std::string navigationErrorText(long status) {
  const DWORD code = static_cast<DWORD>(status);
  std::string text = formatted(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, code);
  // The download errors (INET_E_*) have their texts in the library the control loaded.
  if (text.empty()) {
    if (HMODULE urlmon = ::GetModuleHandleA("urlmon.dll"))
      text = formatted(FORMAT_MESSAGE_FROM_HMODULE, urlmon, code);
  }
  if (text.empty()) {
    char number[32];
    std::snprintf(number, sizeof number, "error 0x%08lX", static_cast<unsigned long>(code));
    text = number;
  }
  return text;
}
