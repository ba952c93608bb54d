#pragma once

#include "app/quicktime_preferences.h"
#include "app/shell.h"
#include "base/path_name.h"

// Asks for a destination, writes the edited configuration (and, when configured, the QuickTime
// preferences and the installation-mode switch) into the Workspace's working copy of the
// installer, copies it to the destination and reports the outcome.
// A QuickTime preferences file is built in only once the administrator confirmed its path: in
// `consent`, which the run keeps, or in a question of this generation alone. The Save chooser
// suggests a name beside the installer at `installerPath` (none when it is null or empty).
// Every failure names the file and the system's reason; a success names the file written.
// 1 when a player was written.
int generatePlayer(Shell& shell, const char* workspacePath, QuickTimeConsent& consent,
                   const char* installerPath = nullptr);
int generatePlayer(Shell& shell, const char* workspacePath);

// 1 when `path` lies inside the existing `folder` (or is the folder itself): the path or a folder
// above it is the very folder, however either is spelled.
int isInsideFolder(const char* path, const char* folder);
