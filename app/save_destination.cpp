#include "app/save_destination.h"

#include "base/double_byte.h"
#include "platform/path_rules.h"

namespace {

bool isSeparator(char c) { return c == '/' || c == platform::pathSeparator(); }

}  // namespace

PathParts splitPath(const char* path) {
  PathParts parts;
  if (path == nullptr) return parts;
  // A double-byte character's trail byte may equal '\\' without being a separator.
  const char* last = nullptr;
  for (const char* p = path; *p != '\0'; p = nextChar(p)) {
    if (nextChar(p) == p + 1 && isSeparator(*p)) last = p;
  }
  if (last == nullptr) {
    parts.name = path;
    return parts;
  }
  const std::size_t at = static_cast<std::size_t>(last - path);
  const bool endsRoot = at == 0 || (at == 2 && path[1] == ':');
  parts.folder.assign(path, endsRoot ? at + 1 : at);
  parts.name = last + 1;
  return parts;
}

PathParts suggestedDestination(const char* installerPath) {
  PathParts parts = splitPath(installerPath);
  std::string stem = parts.name;
  // The last '.' that is a character of its own starts the extension; a leading one does not.
  std::size_t dot = std::string::npos;
  for (const char* p = stem.c_str(); *p != '\0'; p = nextChar(p)) {
    if (*p == '.' && nextChar(p) == p + 1) dot = static_cast<std::size_t>(p - stem.c_str());
  }
  if (dot != std::string::npos && dot > 0) stem.resize(dot);
  if (stem.empty()) return PathParts{};
  parts.name = stem + "-custom.exe";
  return parts;
}
