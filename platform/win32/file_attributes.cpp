#include "platform/file_attributes.h"

#include <windows.h>

namespace platform {

std::uint32_t fileAttributes(const char* path) {
  if (path == nullptr || *path == '\0') return kInvalidFileAttributes;
  return ::GetFileAttributesA(path);
}

FileLook examineFile(const char* path, std::uint64_t& size) {
  size = 0;
  // "C:\..." only: "\\server\share", "\\?\" and "\\.\" paths and relative ones are not asked.
  const bool driveLetter =
      path != nullptr && ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z'));
  if (!driveLetter || path[1] != ':' || (path[2] != '\\' && path[2] != '/'))
    return FileLook::kNotLocalPath;
  WIN32_FILE_ATTRIBUTE_DATA data = {};
  if (!::GetFileAttributesExA(path, GetFileExInfoStandard, &data)) return FileLook::kMissing;
  const DWORD notRegular =
      FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE | FILE_ATTRIBUTE_REPARSE_POINT;
  if ((data.dwFileAttributes & notRegular) != 0) return FileLook::kNotRegular;
  size = (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  return FileLook::kRegular;
}

}  // namespace platform
