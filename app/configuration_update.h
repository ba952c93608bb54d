#pragma once

#include <string>

#include "base/path_name.h"

// The configuration step of player generation: the installer's own configuration (as imported
// into the Workspace) with the editor's edits applied, in the installer's code page.

// The code page of the installer's configuration text on this system (shown by the editor).
unsigned installerConfigurationCodePage(const PathName& installer);

// The name of the file the editor writes beside its result, holding what it saves when nothing
// was edited.
inline constexpr char kUneditedConfigurationName[] = "kxunedited.ini";

// Makes the new configuration from Workspace\kxenterprise.ini (the installer's), the editor's
// Workspace\cfadmin\kxenterprise.ini and, when present, its unedited twin. 1 with the bytes; 0 when
// a file cannot be read or an edited value cannot be written in the code page, `refused` then
// naming the setting and the code page.
int buildInstallerConfiguration(const PathName& workspace, const PathName& workingCopy,
                                std::string& bytes, std::string& refused);
