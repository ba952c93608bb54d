#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "resedit/pe/image_file.h"
#include "resedit/pe/pe_layout.h"
#include "resedit/pe/resource_tree.h"

namespace pe {

// The resources of a PE file, read from the file itself: nothing is loaded or mapped for execution,
// so looking at a file never runs its code.
class PeResourceFile {
 public:
  // Reads the headers and the resource directory; 0 when the file is not a well-formed PE file.
  // A file without a resource directory opens with an empty tree.
  int open(const std::string& path);

  // Languages of (type, name) in directory order.
  std::vector<std::uint16_t> languages(const ResourceId& type, const ResourceId& name) const {
    return tree_.languages(type, name);
  }
  int exists(const ResourceId& type, const ResourceId& name, std::uint16_t language) const {
    return tree_.find(type, name, language) != nullptr;
  }
  // Copies the data of (type, name, language); 0 when it does not exist or has no bytes in the
  // file.
  int readData(const ResourceId& type, const ResourceId& name, std::uint16_t language,
               std::vector<std::uint8_t>& bytes);
  // Loads the data of every leaf; 0 when any leaf has no bytes in the file.
  int loadAllLeaves();
  // Confirms that every leaf has its bytes in the file without reading them, as an update needs:
  // it copies the leaves it does not change from file to file. 0 when any has none.
  int findAllLeaves();
  // Where a leaf's bytes lie in the file; 0 when it has none there.
  int leafOffset(const ResourceLeaf& leaf, std::uint64_t& offset) const;

  // An image the loader could map: marked executable, with all of its sections in the file.
  int isExecutableImage() const {
    return (layout_.characteristics & kExecutableImage) != 0 && layout_.sectionsAreComplete();
  }
  const PeLayout& layout() const { return layout_; }
  ResourceTree& tree() { return tree_; }
  const ResourceTree& tree() const { return tree_; }
  ImageFile& file() { return file_; }
  // Copies a leaf's bytes as the file holds them; 0 when it has no bytes in the file.
  int readLeaf(const ResourceLeaf& leaf, std::vector<std::uint8_t>& bytes);
  // Keeps the whole resource section in memory, so that reading its leaves costs no further reads;
  // open keeps only its start when the directory lies there. 0 when it cannot be read.
  int holdSection();
  // Forgets the copy of the resource section; leaves are then read from the file.
  void releaseSection();
  // Why open, loadAllLeaves or findAllLeaves failed.
  const std::string& reason() const { return reason_; }

 private:
  int fail(const char* why) {
    file_.close();
    releaseSection();
    reason_ = why;
    return 0;
  }

  ImageFile file_;
  PeLayout layout_;
  ResourceTree tree_;
  int readRegion(std::uint64_t length);

  // The resource section's first bytes, or all of them, starting at file offset regionStart_.
  std::span<const std::uint8_t> region() const { return {regionBytes_.get(), regionSize_}; }

  std::unique_ptr<std::uint8_t[]> regionBytes_;
  std::size_t regionSize_ = 0;
  std::uint64_t regionStart_ = 0;
  std::uint64_t sectionLength_ = 0;
  std::string reason_;
};

}  // namespace pe
