#include "platform/path_roots.h"

#include <cstring>

namespace platform {

bool isBareDrive(const char*) { return false; }

bool isRootPath(const char* text) { return text != nullptr && std::strcmp(text, "/") == 0; }

int bareRootLength() { return 1; }

std::string rootOf(const char* path) {
  return path != nullptr && path[0] == '/' ? std::string("/") : std::string();
}

bool isAbsoluteName(const char* name) { return name != nullptr && name[0] == '/'; }

int maxPathLength() { return 4095; }

}  // namespace platform
