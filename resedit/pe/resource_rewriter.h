#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/replacement_file.h"
#include "resedit/pe/pe_resource_file.h"

namespace pe {

// Where the new resource directory goes.
enum class Placement { kInPlace, kGrow, kAppend, kRefused };

// Writes a PE file again with a new resource directory, changing nothing else that it does not
// have to: other sections, the overlay and header fields keep their bytes; only addresses and
// offsets that move are fixed, a certificate table (no longer valid) is removed and a non-zero
// checksum is recomputed. The result is written beside the target and renamed over it only when
// complete and read back correctly.
class ResourceRewriter {
 public:
  explicit ResourceRewriter(PeResourceFile& source) : source_(source) {}

  // Decides the placement for the source's (edited, fully loaded) tree.
  Placement plan();
  // Writes the planned file to `targetPath`; 1 on success, 0 with the target untouched.
  int write(const std::string& targetPath);

 private:
  struct Segment {
    std::uint64_t sourceOffset = 0;
    std::uint64_t length = 0;
    std::vector<std::uint8_t> literal;  // used instead of the source when not empty
  };
  struct Patch {
    std::uint64_t outputOffset = 0;
    std::vector<std::uint8_t> bytes;
  };

  int resourceSectionIsOwned(int index) const;
  int planInPlaceOrGrow(int index, std::uint32_t treeSize);
  int planAppend(std::uint32_t treeSize);
  int buildOutput(int index, Placement placement, std::uint32_t newRawSize, std::uint32_t treeRva,
                  std::uint32_t treeSize);
  int patchDebugDirectory();
  // Forgets every piece, patch and shift of an earlier plan.
  void resetPlan();
  std::uint64_t mapOffset(std::uint64_t offset) const {
    return offset >= fileShiftAt_ ? offset + fileShift_ : offset;
  }
  std::uint32_t mapRva(std::uint32_t rva) const {
    return rva >= rvaShiftAt_ ? rva + rvaShift_ : rva;
  }
  std::uint64_t copyEnd() const;
  int streamTo(platform::ReplacementFile& out);
  int verify(const std::string& path) const;

  PeResourceFile& source_;
  Placement placement_ = Placement::kRefused;
  std::vector<Segment> segments_;
  std::vector<Patch> patches_;
  std::uint64_t fileShiftAt_ = 0;
  std::uint64_t fileShift_ = 0;
  std::uint32_t rvaShiftAt_ = 0xFFFFFFFF;
  std::uint32_t rvaShift_ = 0;
  std::uint64_t outputSize_ = 0;
};

}  // namespace pe
