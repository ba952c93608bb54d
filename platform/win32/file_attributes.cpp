#include "platform/file_attributes.h"

#include <windows.h>

namespace platform {

std::uint32_t fileAttributes(const char* path) {
  if (path == nullptr || *path == '\0') return kInvalidFileAttributes;
  return ::GetFileAttributesA(path);
}

}  // namespace platform
