// The whole-file services that need nothing of the platform beyond a ReplacementFile.
#include "platform/file_io.h"
#include "platform/replacement_file.h"

namespace platform {

int writeWholeFile(const char* path, const void* data, std::size_t size, std::string* reason) {
  ReplacementFile file;
  const int ok = file.open(path) && file.write(data, size) && file.commit();
  if (!ok && reason != nullptr) *reason = file.failure();
  return ok;
}

int copyFile(const char* source, const char* target, std::string* reason) {
  ReplacementFile file;
  const int ok = file.openCopyOf(source, target) && file.commit();
  if (!ok && reason != nullptr) *reason = file.failure();
  return ok;
}

}  // namespace platform
