#include "base/path_name.h"

#include <string>

#include "base/double_byte.h"
#include "platform/file_attributes.h"
#include "platform/path_rules.h"

namespace {

bool isUrlSeparator(char c) { return c == '/' || c == platform::pathSeparator(); }

bool isUnreserved(unsigned char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
         c == '.' || c == '_' || c == '~';
}

bool isDriveLetterPath(const char* text) {
  const char c = text[0];
  return ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')) && text[1] == ':' &&
         (text[2] == '\0' || isUrlSeparator(text[2]));
}

}  // namespace

PathName::PathName(const char* text) : path_(text), invalid_(path_.empty() ? 1 : 0) {}

PathName::PathName(const SharedString& text) : path_(text), invalid_(path_.empty() ? 1 : 0) {}

PathName PathName::join(const char* part) const {
  if (!isValid()) return PathName(part);
  // Joins look at single bytes: a trail byte equal to '\' counts as a separator here.
  const char last = path_.text()[path_.length() - 1];
  if (platform::isPathSeparator(last)) return PathName(concat(path_, part));
  return PathName(concat(concat(path_, platform::pathSeparator()), part));
}

SharedString PathName::toFileUrl() const {
  if (path_.empty()) return path_;
  static constexpr char kHex[] = "0123456789ABCDEF";
  const char* p = path_.text();
  std::string url = "file:";
  if (isUrlSeparator(p[0]) && isUrlSeparator(p[1]) && platform::pathSeparator() == '\\') {
    // A UNC path: the server becomes the URL's host.
    url += "//";
    p += 2;
  } else if (isUrlSeparator(p[0])) {
    url += "//";
    while (isUrlSeparator(p[1])) ++p;
  } else {
    url += "///";
    if (isDriveLetterPath(p)) {
      url.append(p, 2);
      p += 2;
    }
  }
  // Every byte but the unreserved ones and separators is escaped, the bytes of a double-byte
  // character included, so that '#', '?' or '%' in a folder name cannot end or change the path.
  while (*p != '\0') {
    const char* next = nextChar(p);
    if (next == p + 1 && isUrlSeparator(*p)) {
      url += '/';
    } else {
      for (; p != next; ++p) {
        const auto byte = static_cast<unsigned char>(*p);
        if (isUnreserved(byte)) {
          url += static_cast<char>(byte);
        } else {
          url += '%';
          url += kHex[byte >> 4];
          url += kHex[byte & 0x0F];
        }
      }
    }
    p = next;
  }
  return SharedString(url.c_str());
}

int isExistingFile(const PathName& path) {
  if (!path.isValid()) return 0;
  const auto attributes = platform::fileAttributes(path.text());
  if (attributes == platform::kInvalidFileAttributes) return 0;
  return (attributes & platform::kAttributeDirectory) == 0 ? 1 : 0;
}
