#include "platform/file_mode.h"

namespace platform {

// Only a writable file is ever replaced, and a new file's default attributes are what it had.
int copyFileMode(const char*, const char*) { return 1; }

}  // namespace platform
