#include "platform/file_system.h"

#include <windows.h>

namespace platform {

namespace {

bool isRefusal(DWORD error) {
  return error == ERROR_ACCESS_DENIED || error == ERROR_CURRENT_DIRECTORY ||
         (error >= ERROR_WRITE_PROTECT && error <= ERROR_SHARING_BUFFER_EXCEEDED) ||
         error == ERROR_NETWORK_ACCESS_DENIED || error == ERROR_CANNOT_MAKE ||
         error == ERROR_FAIL_I24 || error == ERROR_DRIVE_LOCKED || error == ERROR_SEEK_ON_DEVICE ||
         error == ERROR_NOT_LOCKED || error == ERROR_LOCK_FAILED;
}

}  // namespace

int createFolder(const char* path) { return ::CreateDirectoryA(path, nullptr) ? 1 : 0; }

int removeFolder(const char* path) { return ::RemoveDirectoryA(path) ? 1 : 0; }

int removeLink(const char* path) {
  const DWORD attributes = ::GetFileAttributesA(path);
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) {
    return 0;
  }
  // Both calls act on the reparse point itself: a junction or folder link is removed as an
  // (empty) folder, a file link as a file; the target is never opened.
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) return ::RemoveDirectoryA(path) ? 1 : 0;
  return ::DeleteFileA(path) ? 1 : 0;
}

DeleteOutcome deleteFile(const char* path) {
  const DWORD attributes = ::GetFileAttributesA(path);
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) &&
      (attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) {
    ::SetFileAttributesA(path, attributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY));
  }
  if (::DeleteFileA(path)) return DeleteOutcome::Deleted;
  return isRefusal(::GetLastError()) ? DeleteOutcome::Refused : DeleteOutcome::Failed;
}

int driveKind(const char* path) { return static_cast<int>(::GetDriveTypeA(path)); }

int volumeHasFreeSpace(const char* root, const char*) {
  DWORD sectorsPerCluster = 0;
  DWORD bytesPerSector = 0;
  DWORD freeClusters = 0;
  DWORD totalClusters = 0;
  if (!::GetDiskFreeSpaceA(root, &sectorsPerCluster, &bytesPerSector, &freeClusters,
                           &totalClusters)) {
    return 0;
  }
  return freeClusters != 0 ? 1 : 0;
}

int canCreateEntries(const char*) { return 1; }

int currentDirectory(std::string& path) {
  char buffer[MAX_PATH + 1] = {};
  const DWORD length = ::GetCurrentDirectoryA(MAX_PATH, buffer);
  if (length == 0 || length >= MAX_PATH) return 0;
  path.assign(buffer, length);
  return 1;
}

int setCurrentDirectory(const char* path) { return ::SetCurrentDirectoryA(path) ? 1 : 0; }

}  // namespace platform
