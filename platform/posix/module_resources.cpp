#include "platform/module_resources.h"

namespace platform {

int loadModuleResource(ModuleHandle, const char*, const char*, std::vector<unsigned char>&) {
  return 0;
}

}  // namespace platform
