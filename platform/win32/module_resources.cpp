#include "platform/module_resources.h"

#include <windows.h>

namespace platform {

int loadModuleResource(ModuleHandle module, const char* type, const char* name,
                       std::vector<unsigned char>& bytes) {
  HMODULE handle = static_cast<HMODULE>(module);
  HRSRC found = ::FindResourceA(handle, name, type);
  if (found == nullptr) return 0;
  HGLOBAL loaded = ::LoadResource(handle, found);
  if (loaded == nullptr) return 0;
  const DWORD size = ::SizeofResource(handle, found);
  const auto* data = static_cast<const unsigned char*>(::LockResource(loaded));
  if (data == nullptr && size != 0) return 0;
  bytes.assign(data, data + size);
  return 1;
}

}  // namespace platform
