#include "platform/process_environment.h"

#include <windows.h>

namespace platform {

ModuleHandle programModule() { return ::GetModuleHandleA(nullptr); }

int modulePath(ModuleHandle module, std::string& path) {
  if (module == nullptr) return 0;
  char buffer[MAX_PATH + 1] = {};
  const DWORD length = ::GetModuleFileNameA(static_cast<HMODULE>(module), buffer, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return 0;
  path.assign(buffer, length);
  return 1;
}

int environmentVariable(const char* name, std::string& value) {
  const DWORD needed = ::GetEnvironmentVariableA(name, nullptr, 0);
  if (needed == 0) {
    // Zero is also the answer for a variable set to the empty text.
    if (::GetLastError() == ERROR_ENVVAR_NOT_FOUND) return 0;
    value.clear();
    return 1;
  }
  std::string buffer(needed, '\0');
  const DWORD length = ::GetEnvironmentVariableA(name, buffer.data(), needed);
  if (length >= needed) return 0;
  buffer.resize(length);
  value = buffer;
  return 1;
}

const std::vector<const char*>& temporaryBaseVariables() {
  static const std::vector<const char*> names{"TEMP"};
  return names;
}

int systemFolder(std::string& path) {
  char buffer[MAX_PATH + 1] = {};
  const UINT length = ::GetWindowsDirectoryA(buffer, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return 0;
  path.assign(buffer, length);
  return 1;
}

}  // namespace platform
