#include "platform/file_system.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <string>
#include <vector>

namespace platform {

namespace {

class Descriptor {
 public:
  explicit Descriptor(int fd) : fd_(fd) {}
  ~Descriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  int get() const { return fd_; }
  bool valid() const { return fd_ >= 0; }

 private:
  int fd_;
};

constexpr int kOpenFolder = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;

// The names in the open folder, read through a descriptor of its own so that `folder` keeps its
// position for the caller.
bool entryNames(int folder, std::vector<std::string>& names) {
  const int listing = ::dup(folder);
  if (listing < 0) return false;
  DIR* dir = ::fdopendir(listing);
  if (dir == nullptr) {
    ::close(listing);
    return false;
  }
  while (const dirent* entry = ::readdir(dir)) {
    const std::string name = entry->d_name;
    if (name != "." && name != "..") names.push_back(name);
  }
  ::closedir(dir);
  return true;
}

// Every step goes from an open folder to a name in it: a folder is entered only through a
// descriptor opened without following links, so a link swapped in anywhere is removed as a link
// and no path can send the removal elsewhere.
bool removeEntryAt(int parent, const char* name) {
  const Descriptor folder(::openat(parent, name, kOpenFolder));
  if (folder.valid()) {
    std::vector<std::string> names;
    entryNames(folder.get(), names);
    for (const std::string& entry : names) removeEntryAt(folder.get(), entry.c_str());
    return ::unlinkat(parent, name, AT_REMOVEDIR) == 0;
  }
  return ::unlinkat(parent, name, 0) == 0;
}

}  // namespace

int createFolder(const char* path) { return ::mkdir(path, 0777) == 0 ? 1 : 0; }

int createPrivateFolder(const char* path) {
  if (path == nullptr || *path == '\0' || ::mkdir(path, 0700) != 0) return 0;
  // Judge what stands at the name now, opened without following a link: in a shared folder
  // another user could have replaced it after mkdir.
  const Descriptor folder(::open(path, kOpenFolder));
  if (!folder.valid()) return 0;
  struct stat st {};
  if (::fstat(folder.get(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::geteuid()) return 0;
  // The umask may have left group or other bits, or taken the owner's own.
  return ::fchmod(folder.get(), 0700) == 0 ? 1 : 0;
}

int removeFolder(const char* path) { return ::rmdir(path) == 0 ? 1 : 0; }

int removeFolderTree(const char* path) {
  if (path == nullptr || *path == '\0') return 0;
  std::string parentPath(path);
  while (parentPath.size() > 1 && parentPath.back() == '/') parentPath.pop_back();
  const std::size_t slash = parentPath.rfind('/');
  const std::string name = slash == std::string::npos ? parentPath : parentPath.substr(slash + 1);
  if (slash == std::string::npos) {
    parentPath = ".";
  } else {
    parentPath.resize(slash == 0 ? 1 : slash);
  }
  if (name.empty() || name == "." || name == ".." || name == "/") return 0;
  const Descriptor parent(::open(parentPath.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (!parent.valid()) return errno == ENOENT ? 1 : 0;
  // Gone by this removal, or not there to begin with.
  if (removeEntryAt(parent.get(), name.c_str())) return 1;
  struct stat st {};
  return ::fstatat(parent.get(), name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0 && errno == ENOENT
             ? 1
             : 0;
}

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

int fileIdentity(const char* path, FileIdentity& identity) {
  struct stat st {};
  if (path == nullptr || *path == '\0' || ::stat(path, &st) != 0) return 0;
  identity.volume = static_cast<std::uint64_t>(st.st_dev);
  identity.index = static_cast<std::uint64_t>(st.st_ino);
  return 1;
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
