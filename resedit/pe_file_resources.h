#pragma once

#include <string>
#include <vector>

#include "base/path_name.h"
#include "resedit/pe/pe_resource_file.h"
#include "workspace/resource_source.h"

// The resources of a PE file on disk, read from the file itself. The file is opened on first use
// and stays open for the object's lifetime.
class PeFileResources : public ResourceSource {
 public:
  explicit PeFileResources(const PathName& path) : path_(path.text()) {}

  int loadResource(const char* type, const char* name, std::vector<unsigned char>& bytes) override;

  // 1 when the file is a well-formed PE file marked as an executable image.
  int isExecutableImage();

 private:
  int ensureOpen();

  std::string path_;
  pe::PeResourceFile file_;
  int state_ = -1;  // -1 not tried yet, then the result of opening
};
