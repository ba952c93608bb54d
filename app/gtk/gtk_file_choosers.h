#pragma once

#include <gtk/gtk.h>

#include "base/shared_string.h"

// The Open chooser of the installer dialog: an existing file of the executable filter.
// The chosen path, or the empty string when cancelled.
SharedString chooseInstallerFile(GtkWindow* owner);

// The Save chooser of player generation: the executable filter, "exe" appended to a name without
// an extension, and confirmation before an existing file (under its final name) is replaced.
SharedString chooseDestinationFile(GtkWindow* owner);
