#include "platform/file_attributes.h"

#include <sys/stat.h>

#include <cstring>

namespace platform {

std::uint32_t fileAttributes(const char* path) {
  if (path == nullptr || *path == '\0') return kInvalidFileAttributes;
  struct stat st {};
  if (::lstat(path, &st) != 0) return kInvalidFileAttributes;
  std::uint32_t attributes = 0;
  if (S_ISLNK(st.st_mode)) {
    attributes |= kAttributeReparsePoint;
    struct stat target {};
    if (::stat(path, &target) == 0 && S_ISDIR(target.st_mode)) attributes |= kAttributeDirectory;
  } else if (S_ISDIR(st.st_mode)) {
    attributes |= kAttributeDirectory;
  }
  if ((st.st_mode & S_IWUSR) == 0) attributes |= kAttributeReadOnly;
  const char* slash = std::strrchr(path, '/');
  const char* name = slash != nullptr ? slash + 1 : path;
  if (name[0] == '.' && std::strcmp(name, ".") != 0 && std::strcmp(name, "..") != 0) {
    attributes |= kAttributeHidden;
  }
  return attributes == 0 ? kAttributeNormal : attributes;
}

FileLook examineFile(const char* path, std::uint64_t& size) {
  size = 0;
  if (path == nullptr || path[0] != '/') return FileLook::kNotLocalPath;
  struct stat st {};
  if (::stat(path, &st) != 0) return FileLook::kMissing;
  if (!S_ISREG(st.st_mode)) return FileLook::kNotRegular;
  size = static_cast<std::uint64_t>(st.st_size);
  return FileLook::kRegular;
}

}  // namespace platform
