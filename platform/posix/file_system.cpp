#include "platform/file_system.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <vector>

namespace platform {

int createFolder(const char* path) { return ::mkdir(path, 0777) == 0 ? 1 : 0; }

int removeFolder(const char* path) { return ::rmdir(path) == 0 ? 1 : 0; }

int removeLink(const char* path) {
  struct stat st {};
  if (::lstat(path, &st) != 0 || !S_ISLNK(st.st_mode)) return 0;
  return ::unlink(path) == 0 ? 1 : 0;
}

DeleteOutcome deleteFile(const char* path) {
  struct stat st {};
  // chmod follows links; a link's own mode means nothing, so only a real file is made writable.
  if (::lstat(path, &st) == 0 && S_ISREG(st.st_mode) && (st.st_mode & S_IWUSR) == 0) {
    ::chmod(path, (st.st_mode & 07777) | S_IWUSR);
  }
  if (::unlink(path) == 0) return DeleteOutcome::Deleted;
  return errno == EACCES || errno == EPERM || errno == EROFS ? DeleteOutcome::Refused
                                                             : DeleteOutcome::Failed;
}

int driveKind(const char* path) {
  struct stat st {};
  if (path == nullptr || ::stat(path, &st) != 0 || !S_ISDIR(st.st_mode)) return kDriveNoRootDir;
  return kDriveFixed;
}

int volumeHasFreeSpace(const char*, const char* folder) {
  struct statvfs fs {};
  if (::statvfs(folder, &fs) != 0) return 0;
  return fs.f_bavail != 0 ? 1 : 0;
}

int canCreateEntries(const char* path) { return ::access(path, W_OK | X_OK) == 0 ? 1 : 0; }

int currentDirectory(std::string& path) {
  std::vector<char> buffer(PATH_MAX + 1);
  if (::getcwd(buffer.data(), buffer.size()) == nullptr) return 0;
  path = buffer.data();
  return 1;
}

int setCurrentDirectory(const char* path) { return ::chdir(path) == 0 ? 1 : 0; }

}  // namespace platform
