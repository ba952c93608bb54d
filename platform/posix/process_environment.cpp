#include "platform/process_environment.h"

#include <unistd.h>

#include <climits>
#include <cstdlib>

namespace platform {

namespace {
// POSIX programs have no module handles; this object's address stands for the program's own.
char programToken;
}  // namespace

ModuleHandle programModule() { return &programToken; }

int modulePath(ModuleHandle module, std::string& path) {
  if (module == nullptr) return 0;
  char buffer[PATH_MAX + 1];
  const ssize_t length = ::readlink("/proc/self/exe", buffer, PATH_MAX);
  if (length <= 0) return 0;
  path.assign(buffer, static_cast<std::size_t>(length));
  return 1;
}

int environmentVariable(const char* name, std::string& value) {
  const char* found = std::getenv(name);
  if (found == nullptr) return 0;
  value = found;
  return 1;
}

const std::vector<const char*>& temporaryBaseVariables() {
  static const std::vector<const char*> names{"TEMP", "TMPDIR"};
  return names;
}

int systemFolder(std::string& path) {
  path = "/tmp";
  return 1;
}

}  // namespace platform
