#include "platform/file_mode.h"

#include <sys/stat.h>

namespace platform {

int copyFileMode(const char* model, const char* target) {
  struct stat status;
  if (::stat(model, &status) != 0) return 0;
  return ::chmod(target, status.st_mode & 07777) == 0 ? 1 : 0;
}

}  // namespace platform
