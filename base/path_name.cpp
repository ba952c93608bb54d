#include "base/path_name.h"

#include "platform/file_attributes.h"
#include "platform/path_rules.h"

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
  SharedString copy(path_);
  if (copy.empty()) return copy;
  copy.replaceText("\\", "/", 1);
  return concat(SharedString("file://"), copy);
}

int isExistingFile(const PathName& path) {
  if (!path.isValid()) return 0;
  const auto attributes = platform::fileAttributes(path.text());
  if (attributes == platform::kInvalidFileAttributes) return 0;
  return (attributes & platform::kAttributeDirectory) == 0 ? 1 : 0;
}
