#pragma once

#include "base/path_name.h"
#include "resedit/resource_edit_set.h"

// The installer resources the workflow reads and writes.

// Reads all of `source` and settles its bytes as the new content of the "BINARY" resource `name`,
// in the language the resource already has. 0 when the source cannot be read or the installer has
// no such resource: nothing is then written for it.
int replaceResourceFromFile(ResourceEditSet& edits, const char* name, const PathName& source);
