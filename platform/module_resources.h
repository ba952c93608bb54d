#pragma once

#include <vector>

#include "platform/process_environment.h"

namespace platform {

// The bytes of a module's resource (FindResource/LoadResource/SizeofResource), with string type
// and name matched without regard to case. 1 when the resource exists. POSIX programs carry no
// module resources and always answer 0; there the program's resources are compiled in instead.
int loadModuleResource(ModuleHandle module, const char* type, const char* name,
                       std::vector<unsigned char>& bytes);

}  // namespace platform
