#include "platform/path_roots.h"

#include <cstring>

namespace platform {

bool isBareDrive(const char* text) {
  return text != nullptr && std::strlen(text) == 2 && text[1] == ':';
}

bool isRootPath(const char* text) {
  return text != nullptr && std::strlen(text) == 3 && text[1] == ':' && text[2] == '\\';
}

int bareRootLength() { return 3; }

std::string rootOf(const char* path) {
  // ':' is never a trail byte, so a backslash right after it is always a character of its own.
  const char* colon = path != nullptr ? std::strstr(path, ":\\") : nullptr;
  if (colon == nullptr) return std::string();
  return std::string(path, static_cast<std::size_t>(colon - path) + 2);
}

bool isAbsoluteName(const char* name) {
  return name != nullptr && name[0] != '\0' && name[1] == ':';
}

int maxPathLength() { return 260; }

}  // namespace platform
