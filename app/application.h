#pragma once

#include "app/shell.h"
#include "platform/process_environment.h"
#include "workspace/resource_source.h"

// The one run of the program: prepare the Workspace behind the splash, ask for the installer,
// show the preference editor until its window is closed, and remove the Workspace.
// Returns the exit code: 0, or -1 when the Workspace object cannot be allocated.
int runApplication(Shell& shell, ResourceSource& programResources, platform::ModuleHandle module);
