#pragma once

#include <string>

namespace platform {

// What the roots of paths look like: "C:\" on Windows, "/" on POSIX. The folder logic asks these
// questions instead of testing for drive letters itself.

// A drive letter and colon without a separator ("C:"), which names the drive's root on Windows.
// POSIX has no such form.
bool isBareDrive(const char* text);

// Exactly a root and nothing more: "X:\" on Windows, "/" on POSIX.
bool isRootPath(const char* text);

// The length of the shortest root text; a path no longer than this keeps its trailing separator.
int bareRootLength();

// The root of the volume that holds `path`: on Windows the text up to and including its first ":\",
// on POSIX "/" for an absolute path; empty when there is none (a UNC or relative path).
std::string rootOf(const char* path);

// A name that is a complete path by itself rather than a name within a folder: on Windows a second
// character ':', on POSIX a leading '/'.
bool isAbsoluteName(const char* name);

// The longest path, in bytes without the NUL, that the platform hands out (MAX_PATH on Windows).
int maxPathLength();

}  // namespace platform
