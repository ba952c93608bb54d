#pragma once

#include "app/shell.h"
#include "base/path_name.h"

// Asks for a destination, writes the edited configuration (and, when configured, the QuickTime
// preferences and the installation-mode switch) into the Workspace's working copy of the
// installer, copies it to the destination and reports the outcome.
void generatePlayer(Shell& shell, const char* workspacePath);

// 1 when `path` lies inside the existing `folder` (or is the folder itself): the path or a folder
// above it is the very folder, however either is spelled.
int isInsideFolder(const char* path, const char* folder);
