#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "resedit/pe/pe_resource_file.h"
#include "resedit/pe/resource_rewriter.h"

namespace pe {

// One update of a PE file's resources: begun on the file with all of its resources, given new or
// replaced (type, name, language) data, then ended by committing or discarding. Nothing touches
// the file before a commit, and a commit that cannot complete leaves the file as it was.
class ResourceUpdateBatch {
 public:
  // 0 when the file cannot be written, is not a PE file, or holds resources we cannot read whole.
  // With a `target`, the file is only read and the commit writes the result there instead (an
  // unchanged batch as a copy of the file).
  int begin(const std::string& path, const std::string& target = std::string());
  int update(const ResourceId& type, const ResourceId& name, std::uint16_t language,
             std::span<const std::uint8_t> data);
  // With discardChanges the file is left untouched; otherwise it is rewritten when any resource's
  // bytes changed. 1 when the file now holds the batch's resources.
  int end(bool discardChanges);

  // Where a commit would put the resources (for tests and diagnostics); valid after an update.
  Placement plannedPlacement();

  // Why begin or end failed, or why the planned placement is not the first choice; a short text
  // such as "a base relocation patches bytes there in a section that would move".
  const std::string& reason() const { return reason_; }

 private:
  std::string path_;
  std::string target_;
  PeResourceFile file_;
  bool begun_ = false;
  bool changed_ = false;
  std::string reason_;
};

}  // namespace pe
