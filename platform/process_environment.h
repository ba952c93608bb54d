#pragma once

#include <string>
#include <vector>

namespace platform {

// A module of the process (HINSTANCE on Windows); null means none.
using ModuleHandle = void*;

// The program's own module.
ModuleHandle programModule();

// The full file path of `module`; 1 when it was obtained.
int modulePath(ModuleHandle module, std::string& path);

// The value of an environment variable; 1 when it is set.
int environmentVariable(const char* name, std::string& value);

// The variables that name the temporary base, in the order they are asked; the first one set
// counts: "TEMP" on Windows; "TEMP", then its POSIX name "TMPDIR".
const std::vector<const char*>& temporaryBaseVariables();

// The last candidate for the temporary base: the Windows folder, or /tmp on POSIX.
int systemFolder(std::string& path);

}  // namespace platform
