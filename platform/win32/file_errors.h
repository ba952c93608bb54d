#pragma once

#include <windows.h>

#include <string>

namespace platform {

// The system's own words for an error code, without the closing full stop and line break.
inline std::string systemText(DWORD error) {
  char* buffer = nullptr;
  const DWORD length = ::FormatMessageA(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, error, 0, reinterpret_cast<char*>(&buffer), 0, nullptr);
  std::string text = length != 0 ? std::string(buffer, length) : "error " + std::to_string(error);
  if (buffer != nullptr) ::LocalFree(buffer);
  while (!text.empty() &&
         (text.back() == '\r' || text.back() == '\n' || text.back() == ' ' || text.back() == '.')) {
    text.pop_back();
  }
  return text;
}

// Scanners and indexers open a freshly written executable for a moment; a rename or replacement
// that meets such a file is tried again for about this long before it counts as failed.
inline constexpr DWORD kHeldFileRetryMilliseconds = 2000;

// 1 for the errors that another program holding the file open gives.
inline int isHeldFileError(DWORD error) {
  switch (error) {
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_ACCESS_DENIED:
    case ERROR_USER_MAPPED_FILE:
    case ERROR_UNABLE_TO_REMOVE_REPLACED:
    case ERROR_UNABLE_TO_MOVE_REPLACEMENT:
      return 1;
    default:
      return 0;
  }
}

// Runs `attempt` until it succeeds, fails for another reason than a held file, or the time is
// up. The last error is left as `attempt` set it.
template <typename Attempt>
BOOL retryWhileHeld(Attempt attempt) {
  const ULONGLONG start = ::GetTickCount64();
  for (;;) {
    if (attempt()) return TRUE;
    const DWORD error = ::GetLastError();
    if (!isHeldFileError(error) || ::GetTickCount64() - start >= kHeldFileRetryMilliseconds)
      return FALSE;
    ::Sleep(50);
  }
}

}  // namespace platform
