#include "workspace/embedded_resources.h"

namespace {

// Resource names are ASCII in every table we build, so a byte-wise caseless compare is exact.
bool sameName(const char* a, const char* b) {
  if (a == nullptr || b == nullptr) return false;
  for (; *a != '\0' && *b != '\0'; ++a, ++b) {
    const auto lower = [](char c) {
      return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    };
    if (lower(*a) != lower(*b)) return false;
  }
  return *a == *b;
}

}  // namespace

int EmbeddedResources::loadResource(const char* type, const char* name,
                                    std::vector<unsigned char>& bytes) {
  for (const EmbeddedResource& resource : table_) {
    if (sameName(resource.type, type) && sameName(resource.name, name)) {
      bytes.assign(resource.bytes, resource.bytes + resource.size);
      return 1;
    }
  }
  return 0;
}
