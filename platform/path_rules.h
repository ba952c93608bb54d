#pragma once

namespace platform {

// The separator that joins write: '\' on Windows, '/' on POSIX. Readers accept both everywhere.
char pathSeparator();

// True for both separators, whichever platform wrote the path.
inline bool isPathSeparator(char c) { return c == '\\' || c == '/'; }

}  // namespace platform
