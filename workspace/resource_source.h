#pragma once

#include <vector>

// Where named binary resources come from: the program's own resources (its module on Windows, a
// table compiled into the binary on Linux) or an installer file. Nothing is ever loaded for
// execution to read them.
class ResourceSource {
 public:
  virtual ~ResourceSource() = default;

  // Copies the bytes of the resource named `name` of type `type` (string names, matched without
  // regard to case: "Binary" finds "BINARY"), first language in directory order.
  // Returns 1 when the resource exists, else 0.
  virtual int loadResource(const char* type, const char* name,
                           std::vector<unsigned char>& bytes) = 0;
};
