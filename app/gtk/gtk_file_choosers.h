#pragma once

#include <gtk/gtk.h>

#include <string>
#include <vector>

#include "app/save_destination.h"
#include "base/shared_string.h"

// A file-name pattern that matches without regard to letter case, as the Windows choosers match
// theirs: "*.exe" becomes "*.[eE][xX][eE]".
std::string caselessPattern(const std::string& pattern);

// The filters of message 100 (description|patterns|...), new and floating, in the order listed.
std::vector<GtkFileFilter*> executableFilters();

// The Open chooser of the installer dialog: an existing file of the executable filter.
// The chosen path, or the empty string when cancelled.
SharedString chooseInstallerFile(GtkWindow* owner);

// The Save chooser of player generation: the executable filter, "exe" appended to a name without
// an extension, and confirmation before an existing file (under its final name) is replaced. It
// opens in the suggested folder with the suggested name filled in.
SharedString chooseDestinationFile(GtkWindow* owner, const PathParts& suggestion);
