#pragma once

#include "base/shared_string.h"

// A path text and whether it is usable at all. Never changed after it is made: operations that
// make another path return a new PathName.
class PathName {
 public:
  explicit PathName(const char* text);
  explicit PathName(const SharedString& text);

  int isValid() const { return invalid_ == 0 ? 1 : 0; }
  SharedString asString() const { return path_; }
  const char* text() const { return path_.text(); }

  // The path, the platform's separator unless the path already ends in '\' or '/', then part.
  PathName join(const char* part) const;

  // The file URI of the path: separators written as '/', every byte outside the unreserved
  // characters percent-encoded (a drive letter keeps its colon: file:///C:/...), a UNC server as
  // the host. Empty for an empty path.
  SharedString toFileUrl() const;

 private:
  SharedString path_;
  int invalid_;
};

// 1 when the path names an existing file that is not a folder (read-only and hidden files count).
int isExistingFile(const PathName& path);
