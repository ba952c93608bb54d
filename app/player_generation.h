#pragma once

#include "app/quicktime_preferences.h"
#include "app/shell.h"
#include "base/path_name.h"

// Asks for a destination, writes the edited configuration (and, when configured, the QuickTime
// preferences and the installation-mode switch) into the Workspace's working copy of the
// installer, copies it to the destination and reports the outcome.
// A QuickTime preferences file is built in only once the administrator confirmed its path: in
// `consent`, which the run keeps, or in a question of this generation alone.
void generatePlayer(Shell& shell, const char* workspacePath, QuickTimeConsent& consent);
void generatePlayer(Shell& shell, const char* workspacePath);

// Copies source to destination through a temporary file beside the destination, so that a failed
// copy never leaves a damaged file where the destination was. 1 on success.
int copyReplacingSafely(const PathName& source, const PathName& destination);

// 1 when `path` lies inside `folder` (or is the folder itself), after resolving both.
int isInsideFolder(const char* path, const char* folder);
