#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "resedit/pe/image_file.h"
#include "resedit/pe/pe_layout.h"

namespace pe {

// Everything in an image that refers to an address: base relocations (the bytes the loader patches
// and the addresses those bytes hold), exception entries and data directories. The rewriter asks
// it before it writes over or moves a range, since any of these left pointing at old bytes breaks
// the program.
class ImageReferences {
 public:
  // 0 with a reason when a table the engine must understand cannot be read.
  int read(ImageFile& file, const PeLayout& layout);

  // A reason when anything other than what the rewriter fixes refers into the addresses
  // [start, end); empty when nothing does. `movesAddresses` also counts the addresses relocated
  // values hold, which only matter to bytes that change their address.
  std::string whatRefersInto(std::uint64_t start, std::uint64_t end, bool movesAddresses) const;
  // A reason when the loader would patch bytes in [start, end); empty when it would not.
  std::string relocationTouches(std::uint64_t start, std::uint64_t end) const;

  const std::string& reason() const { return reason_; }

 private:
  int readRelocations(ImageFile& file, const PeLayout& layout);
  int readExceptions(ImageFile& file, const PeLayout& layout);

  std::vector<DataDirectory> directories_;
  std::vector<std::uint32_t> sites_;   // RVAs the loader patches, sorted
  std::vector<std::uint32_t> pages_;   // pages that relocation blocks name, sorted
  std::vector<std::uint64_t> values_;  // RVAs that relocated values hold, sorted
  // Relocations whose value we cannot tell: any move of addresses is refused.
  bool opaqueValues_ = false;
  std::vector<std::uint32_t> exceptionAddresses_;  // begin, end and unwind RVAs, sorted
  bool opaqueExceptions_ = false;
  std::uint32_t entryPoint_ = 0;
  std::string reason_;
};

}  // namespace pe
