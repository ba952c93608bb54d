#pragma once

#include "platform/process_environment.h"
#include "workspace/resource_source.h"

// The resources of a module of this process: on Windows the program's own, bound into it by the
// resource compiler. POSIX programs have none (they use EmbeddedResources instead).
class ModuleResourceSource : public ResourceSource {
 public:
  explicit ModuleResourceSource(platform::ModuleHandle module) : module_(module) {}

  int loadResource(const char* type, const char* name, std::vector<unsigned char>& bytes) override;

 private:
  platform::ModuleHandle module_;
};
