#pragma once

#include <cstddef>
#include <span>
#include <vector>

#include "workspace/resource_source.h"

// One resource compiled into the program: type and name as the resource script spells them.
struct EmbeddedResource {
  const char* type;
  const char* name;
  const unsigned char* bytes;
  std::size_t size;
};

// Resources compiled into the binary at build time (cmake/embed_resources.cmake makes the table),
// looked up by type and name without regard to case, as Windows does for its module resources.
class EmbeddedResources : public ResourceSource {
 public:
  explicit EmbeddedResources(std::span<const EmbeddedResource> table) : table_(table) {}

  int loadResource(const char* type, const char* name, std::vector<unsigned char>& bytes) override;

 private:
  std::span<const EmbeddedResource> table_;
};
