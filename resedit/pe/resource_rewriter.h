#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "platform/replacement_file.h"
#include "resedit/pe/image_references.h"
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

  // Why the plan or the write failed; after a plan that fell back to a later placement, why the
  // earlier ones could not be used. Empty when nothing stood in the way.
  const std::string& reason() const { return reason_; }

 private:
  struct Segment {
    std::uint64_t sourceOffset = 0;
    std::uint64_t length = 0;
    std::vector<std::uint8_t> literal;  // used instead of the source when not empty
    bool zeros = false;                 // padding, never held as bytes
    bool copied() const { return literal.empty() && !zeros; }
  };
  struct Patch {
    std::uint64_t outputOffset = 0;
    std::vector<std::uint8_t> bytes;
  };

  // 0 with the reason set; for the placements' many refusals.
  int refuse(std::string why) {
    reason_ = std::move(why);
    return 0;
  }
  int resourceSectionIsOwned(int index);
  int planInPlaceOrGrow(int index, std::uint32_t treeSize);
  int planAppend(std::uint32_t treeSize);
  int buildOutput(int index, Placement placement, std::uint32_t newRawSize, std::uint32_t treeRva,
                  std::uint32_t treeSize);
  // Patches the addresses of debug data that moves; 0 with the reason when they cannot be.
  int patchDebugDirectory();
  // Copies the overlay (an installer's payload) from `start` to `end` of the source to wherever
  // the plan puts it; the one place where a moved payload would be fixed up.
  void addOverlay(std::uint64_t start, std::uint64_t end);
  void addZeros(std::uint64_t length);
  // Plans the tree at output offset `position`, padded with zeros to `treeSize`; 0 when a leaf to
  // copy has no bytes in the source.
  int addTree(std::uint64_t position, std::uint32_t treeRva, std::uint32_t treeSize);
  // Forgets every piece, patch and shift of an earlier plan.
  void resetPlan();
  std::uint64_t mapOffset(std::uint64_t offset) const {
    return offset >= fileShiftAt_ ? offset + fileShift_ : offset;
  }
  std::uint32_t mapRva(std::uint32_t rva) const {
    return rva >= rvaShiftAt_ ? rva + rvaShift_ : rva;
  }
  std::uint64_t copyEnd() const;
  // Keeps a self-extractor's payload in the overlay valid in the planned output: its offsets
  // follow a moved overlay and its integrity check covers the new bytes. 0 when it cannot.
  int keepPayloadValid();
  // Reads planned output bytes as streamTo will write them, or as they were before the patches.
  int readPlanned(std::uint64_t offset, std::uint8_t* out, std::size_t count,
                  bool withPatches = true);
  // Writes the patches' bytes that fall within [offset, offset + count) of the output into `out`.
  void applyPatches(std::uint64_t offset, std::uint8_t* out, std::size_t count) const;
  // The output ranges that patches cover, ascending, merged where they meet.
  std::vector<std::pair<std::uint64_t, std::uint64_t>> patchedRanges() const;
  int streamTo(platform::ReplacementFile& out);
  // The checksum of the planned output, adjusted from the source's own sum; 0 when unreadable.
  int plannedChecksum(std::uint32_t& checksum);
  // The residue of `length` source bytes at `offset`, read in chunks.
  int sourceResidue(std::uint64_t offset, std::uint64_t length, std::uint32_t& residue);
  int verify(const std::string& path);
  // The planned bytes at [offset, offset + length) of the output when one literal piece holds
  // them all; null when they are copied from the source.
  const std::uint8_t* plannedLiteral(std::uint64_t offset, std::uint64_t length) const;
  // Whether the written file holds the planned bytes there (with the checksum written).
  int sameBytes(ImageFile& written, std::uint64_t offset, std::uint64_t length);
  // Whether the written directory holds the same entries, in the same order, with the same bytes.
  int sameDirectory(const ResourceDirectory& expected, const ResourceDirectory& written,
                    PeResourceFile& file) const;

  PeResourceFile& source_;
  ImageReferences references_;
  bool referencesRead_ = false;
  std::string reason_;
  Placement placement_ = Placement::kRefused;
  std::vector<Segment> segments_;
  // Where each leaf's data goes in the output.
  std::unordered_map<const ResourceLeaf*, std::uint64_t> plannedLeaves_;
  std::vector<Patch> patches_;
  std::uint64_t fileShiftAt_ = 0;
  std::uint64_t fileShift_ = 0;
  std::uint32_t rvaShiftAt_ = 0xFFFFFFFF;
  std::uint32_t rvaShift_ = 0;
  std::uint64_t outputSize_ = 0;
  std::unique_ptr<std::uint8_t[]> residueChunk_;
  std::uint32_t checksum_ = 0;
  bool checksumWritten_ = false;
};

}  // namespace pe
