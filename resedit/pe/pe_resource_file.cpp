#include "resedit/pe/pe_resource_file.h"

#include <algorithm>

#include "resedit/pe/byte_order.h"

namespace pe {

namespace {

// What this build can hold in memory at once: a 32-bit address space cannot take a 2 GiB region.
constexpr std::uint64_t kMaximumHeldBytes =
    sizeof(void*) < 8 ? 0x20000000ull : ImageFile::kMaximumSize;
// How much of the resource section is read first: enough for the tables and names of a directory
// with thousands of resources, which resource compilers place before the data they describe.
constexpr std::uint64_t kDirectoryPrefix = 256 << 10;

}  // namespace

int PeResourceFile::open(const std::string& path) {
  tree_ = ResourceTree{};
  releaseSection();
  regionStart_ = 0;
  sectionLength_ = 0;
  reason_.clear();
  if (!file_.openForReading(path)) return fail("the file cannot be opened, or is 2 GiB or larger");
  if (!layout_.parse(file_)) return fail("the file is not a PE image");
  DataDirectory resources = layout_.directory(kResourceDirectory);
  if (resources.virtualAddress == 0) return 1;
  int index = layout_.sectionOfRva(resources.virtualAddress);
  if (index < 0) return fail("the resource directory lies in no section");
  const SectionHeader& section = layout_.sections[static_cast<std::size_t>(index)];
  std::uint64_t within = resources.virtualAddress - section.virtualAddress;
  if (within >= section.sizeOfRawData)
    return fail("the resource directory has no bytes in the file");
  std::uint64_t start = static_cast<std::uint64_t>(section.pointerToRawData) + within;
  if (start >= layout_.fileSize) return fail("the resource directory has no bytes in the file");
  // The directory may point anywhere up to the end of its section's raw data.
  std::uint64_t length =
      std::min<std::uint64_t>(section.sizeOfRawData - within, layout_.fileSize - start);
  if (length > kMaximumHeldBytes) return fail("the resource section is larger than memory allows");
  regionStart_ = start;
  sectionLength_ = length;
  // Every check of the parser only gets weaker as the region grows, so a tree that reads within the
  // prefix reads the same within the whole section; only a tree that does not is read again whole.
  const std::uint64_t prefix = std::min(length, kDirectoryPrefix);
  if (!readRegion(prefix)) return fail("the resource section cannot be read");
  if (tree_.parse(region())) return 1;
  if (prefix == length) return fail("the resource directory is damaged");
  if (!holdSection()) return fail("the resource section cannot be read");
  if (!tree_.parse(region())) return fail("the resource directory is damaged");
  return 1;
}

int PeResourceFile::readRegion(std::uint64_t length) {
  // Not cleared first: every byte is read over at once.
  regionBytes_ = std::make_unique_for_overwrite<std::uint8_t[]>(static_cast<std::size_t>(length));
  regionSize_ = static_cast<std::size_t>(length);
  if (file_.readAt(regionStart_, regionBytes_.get(), regionSize_)) return 1;
  releaseSection();
  return 0;
}

int PeResourceFile::holdSection() {
  return regionSize_ == sectionLength_ || readRegion(sectionLength_);
}

int PeResourceFile::leafOffset(const ResourceLeaf& leaf, std::uint64_t& offset) const {
  return layout_.rvaToFileOffset(leaf.dataRva, leaf.size, offset);
}

int PeResourceFile::readLeaf(const ResourceLeaf& leaf, std::vector<std::uint8_t>& bytes) {
  std::uint64_t offset = 0;
  if (!leafOffset(leaf, offset)) return 0;
  if (leaf.size > kMaximumHeldBytes) return 0;
  // Leaves normally lie in the section that holds the directory, which open has read already: a
  // file with thousands of resources then costs no read per resource.
  if (offset >= regionStart_ && offset - regionStart_ <= regionSize_ &&
      regionSize_ - (offset - regionStart_) >= leaf.size) {
    const std::uint8_t* from = regionBytes_.get() + (offset - regionStart_);
    bytes.assign(from, from + leaf.size);
    return 1;
  }
  bytes.resize(leaf.size);
  return file_.readAt(offset, bytes.data(), bytes.size());
}

int PeResourceFile::readData(const ResourceId& type, const ResourceId& name, std::uint16_t language,
                             std::vector<std::uint8_t>& bytes) {
  const ResourceLeaf* leaf = tree_.find(type, name, language);
  if (leaf == nullptr) return 0;
  if (leaf->loaded) return bytes = leaf->data, 1;
  return readLeaf(*leaf, bytes);
}

void PeResourceFile::releaseSection() {
  regionBytes_.reset();
  regionSize_ = 0;
}

int PeResourceFile::findAllLeaves() {
  // Leaves of a sound file never overlap, so together they cannot exceed the file; a hostile file
  // whose leaves all claim the same large range must not make a rewrite copy without bound.
  std::uint64_t total = 0;
  int found = 1;
  tree_.forEachLeaf([&](ResourceLeaf& leaf) {
    total += leaf.length();
    std::uint64_t offset = 0;
    if (!leaf.loaded && !leafOffset(leaf, offset)) found = 0;
  });
  if (total > layout_.fileSize) {
    reason_ = "the resources claim more bytes than the file holds";
    return 0;
  }
  if (total > kMaximumHeldBytes) {
    reason_ = "the resources are larger than memory allows";
    return 0;
  }
  if (!found) reason_ = "a resource's data has no bytes in the file";
  return found;
}

int PeResourceFile::loadAllLeaves() {
  if (!findAllLeaves()) return 0;
  // One read of the section serves its thousands of leaves; a leaf elsewhere is read by itself.
  holdSection();
  int ok = 1;
  tree_.forEachLeaf([&](ResourceLeaf& leaf) {
    if (!ok || leaf.loaded) return;
    ok = readLeaf(leaf, leaf.data);
    leaf.loaded = ok != 0;
  });
  if (!ok) reason_ = "a resource's data has no bytes in the file";
  // Every leaf now holds its own bytes; the section's copy would only double the memory.
  releaseSection();
  return ok;
}

}  // namespace pe
