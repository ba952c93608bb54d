#pragma once

#include <string>

// A path cut at its last separator: the folder (without the separator, except a root such as "/"
// or "C:\") and the file name. A path without a separator is all name.
struct PathParts {
  std::string folder;
  std::string name;
};
PathParts splitPath(const char* path);

// What the Save chooser offers for a player made from the installer at `installerPath`:
// "<installer name>-custom.exe" in the installer's own folder, the name's extension replaced.
// Both parts are empty when there is no installer name to go by.
PathParts suggestedDestination(const char* installerPath);
