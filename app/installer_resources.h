#pragma once

#include "base/path_name.h"
#include "resedit/resource_edit_set.h"

// The installer resources the workflow reads and writes.

// 1 when `installer` is an executable image carrying a non-empty "KXECONFIG" resource of type
// "Binary" and its bytes were written completely to `target`. The file is never executed.
int extractInstallerConfiguration(const PathName& installer, const PathName& target);

// Reads all of `source` and settles its bytes as the new content of the "BINARY" resource `name`,
// in the language the resource already has. 0 when the source cannot be read or the installer has
// no such resource: nothing is then written for it.
int replaceResourceFromFile(ResourceEditSet& edits, const char* name, const PathName& source);
