#include "workspace/module_resource_source.h"

#include "platform/module_resources.h"

int ModuleResourceSource::loadResource(const char* type, const char* name,
                                       std::vector<unsigned char>& bytes) {
  return platform::loadModuleResource(module_, type, name, bytes);
}
