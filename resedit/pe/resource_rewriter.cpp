#include "resedit/pe/resource_rewriter.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <limits>

#include "resedit/pe/byte_order.h"
#include "resedit/pe/pe_checksum.h"

namespace pe {

namespace {

constexpr std::uint32_t kDebugEntrySize = 28;
constexpr std::uint32_t kMaximumDebugEntries = 256;
// Older Windows loaders refuse images with more sections than this.
constexpr std::size_t kMaximumSections = 96;
constexpr std::size_t kChunkSize = 1 << 20;
// Bytes read back at a time: the written file is compared piece by piece, never held whole.
constexpr std::size_t kVerifyChunk = 256 << 10;
constexpr std::uint32_t kDefaultResourceCharacteristics = 0x40000040;  // initialised data, readable
constexpr std::uint64_t kAddressLimit = 0x7FFFFFFF;
// The largest file alignment that images use. A file grows by up to a few alignments of zeros, so
// a crafted larger one would pad it by hundreds of MiB: such a file only takes a tree in place.
constexpr std::uint32_t kMaximumGrowthAlignment = 64 << 10;

bool inRange(std::uint64_t value, std::uint64_t start, std::uint64_t end) {
  return value >= start && value < end;
}

// The RVAs that debug directory entries point at, or 0 when the directory cannot be read.
int readDebugEntries(PeResourceFile& source, std::vector<std::uint8_t>& entries,
                     std::uint64_t& fileOffset) {
  const PeLayout& layout = source.layout();
  DataDirectory debug = layout.directory(kDebugDirectory);
  entries.clear();
  if (debug.virtualAddress == 0 || debug.size < kDebugEntrySize) return 1;
  std::uint32_t count = debug.size / kDebugEntrySize;
  if (count > kMaximumDebugEntries) return 0;
  entries.resize(count * kDebugEntrySize);
  if (!layout.rvaToFileOffset(debug.virtualAddress, count * kDebugEntrySize, fileOffset)) return 0;
  return source.file().readAt(fileOffset, entries.data(), entries.size());
}

}  // namespace

std::uint64_t ResourceRewriter::copyEnd() const {
  const PeLayout& layout = source_.layout();
  DataDirectory certificates = layout.directory(kSecurityDirectory);
  // The certificate table's "address" is a file offset. Only a table that ends the file, after all
  // section data, is cut off; one anywhere else stays as bytes nobody refers to any more.
  if (certificates.virtualAddress != 0 && certificates.size != 0 &&
      certificates.virtualAddress >= layout.endOfSectionData() &&
      static_cast<std::uint64_t>(certificates.virtualAddress) + certificates.size ==
          layout.fileSize) {
    return certificates.virtualAddress;
  }
  return layout.fileSize;
}

int ResourceRewriter::resourceSectionIsOwned(int index) {
  const PeLayout& layout = source_.layout();
  const SectionHeader& section = layout.sections[static_cast<std::size_t>(index)];
  if (layout.directory(kResourceDirectory).virtualAddress != section.virtualAddress)
    return refuse("the resource directory does not start its section");
  std::uint64_t start = section.virtualAddress;
  std::uint64_t end = start + alignUp(section.mappedSize(), layout.sectionAlignment);
  // A section shared with anything else cannot be rewritten; the resources then move to a new one.
  for (unsigned i = 0; i < layout.directories.size(); ++i) {
    if (i == kResourceDirectory || i == kSecurityDirectory) continue;
    if (layout.directories[i].virtualAddress != 0 &&
        inRange(layout.directories[i].virtualAddress, start, end))
      return refuse("data directory " + std::to_string(i) + " lies in the resource section");
  }
  std::vector<std::uint8_t> debug;
  std::uint64_t debugOffset = 0;
  if (!readDebugEntries(source_, debug, debugOffset))
    return refuse("the debug directory cannot be read");
  for (std::size_t at = 0; at < debug.size(); at += kDebugEntrySize) {
    std::uint32_t address = 0;
    readU32(debug, at + field::kDebugAddressOfRawData, address);
    if (address != 0 && inRange(address, start, end))
      return refuse("debug data lies in the resource section");
  }
  if (!referencesRead_) return refuse(references_.reason());
  std::string referred = references_.whatRefersInto(start, end, false);
  if (!referred.empty()) return refuse(referred + " in the resource section");
  return 1;
}

int ResourceRewriter::planInPlaceOrGrow(int index, std::uint32_t treeSize) {
  const PeLayout& layout = source_.layout();
  const SectionHeader& resources = layout.sections[static_cast<std::size_t>(index)];
  std::uint64_t rawStart = resources.pointerToRawData;
  std::uint64_t rawEnd = rawStart + resources.sizeOfRawData;
  if (resources.sizeOfRawData == 0) return refuse("the resource section has no raw data");
  std::uint64_t nextAddress = std::numeric_limits<std::uint64_t>::max();
  for (std::size_t i = 0; i < layout.sections.size(); ++i) {
    if (static_cast<int>(i) == index) continue;
    const SectionHeader& other = layout.sections[i];
    if (other.virtualAddress == resources.virtualAddress)
      return refuse("another section shares the resource section's address");
    if (other.virtualAddress > resources.virtualAddress) {
      nextAddress = std::min<std::uint64_t>(nextAddress, other.virtualAddress);
    } else if (layout.mappedEnd(other) > resources.virtualAddress) {
      return refuse("a section below the resources reaches into their addresses");
    }
    // The tree is written over the whole of the section's raw data, and moves what follows it.
    if (other.sizeOfRawData != 0 && other.pointerToRawData < rawEnd &&
        other.pointerToRawData + static_cast<std::uint64_t>(other.sizeOfRawData) > rawStart)
      return refuse("another section's raw data overlaps the resource section's");
  }
  std::uint64_t mapped = std::max<std::uint64_t>(resources.mappedSize(), treeSize);
  std::uint64_t mappedEnd = alignUp(resources.virtualAddress + mapped, layout.sectionAlignment);
  std::string touched = references_.relocationTouches(resources.virtualAddress, mappedEnd);
  if (!touched.empty()) return refuse(touched + " where the tree would lie");
  if (treeSize <= resources.sizeOfRawData && mappedEnd <= nextAddress) {
    return buildOutput(index, Placement::kInPlace, resources.sizeOfRawData,
                       resources.virtualAddress, treeSize);
  }

  // Growing moves the raw data behind the section in the file, and the sections above it in
  // memory when the tree outgrows its address slot.
  const bool movesAddresses =
      nextAddress != std::numeric_limits<std::uint64_t>::max() && mappedEnd > nextAddress;
  std::uint64_t imageEnd = layout.sizeOfImage;
  for (std::size_t i = 0; i < layout.sections.size(); ++i) {
    if (static_cast<int>(i) == index) continue;
    const SectionHeader& other = layout.sections[i];
    imageEnd = std::max(imageEnd, layout.mappedEnd(other));
    if (other.virtualAddress < resources.virtualAddress) continue;
    if (other.sizeOfRawData != 0 && other.pointerToRawData < rawEnd)
      return refuse("a section above the resources has its raw data before theirs");
    if (!movesAddresses) continue;
    // Only what the running program never uses may change its address.
    if ((other.characteristics & kSectionDiscardable) == 0)
      return refuse("section " + sectionName(other) + " would move but is not discardable");
    if ((other.characteristics & (kSectionExecutable | kSectionCode)) != 0)
      return refuse("section " + sectionName(other) + " would move but holds code");
  }
  if (movesAddresses) {
    std::string referred = references_.whatRefersInto(nextAddress, imageEnd, true);
    if (!referred.empty()) return refuse(referred + " in a section that would move");
  }

  if (treeSize > resources.sizeOfRawData && layout.fileAlignment > kMaximumGrowthAlignment)
    return refuse("the file alignment is larger than 64 KiB");
  // A tree may fit the raw data and still not the address slot: then only addresses move.
  std::uint64_t growth = treeSize > resources.sizeOfRawData
                             ? alignUp(treeSize - resources.sizeOfRawData, layout.fileAlignment)
                             : 0;
  fileShiftAt_ = rawEnd;
  fileShift_ = growth;
  if (movesAddresses) {
    rvaShiftAt_ = static_cast<std::uint32_t>(nextAddress);
    rvaShift_ =
        static_cast<std::uint32_t>(alignUp(mappedEnd - nextAddress, layout.sectionAlignment));
  }
  if (layout.sizeOfImage + static_cast<std::uint64_t>(rvaShift_) > kAddressLimit)
    return refuse("the image would outgrow its address space");
  return buildOutput(index, Placement::kGrow,
                     static_cast<std::uint32_t>(resources.sizeOfRawData + growth),
                     resources.virtualAddress, treeSize);
}

int ResourceRewriter::planAppend(std::uint32_t treeSize) {
  const PeLayout& layout = source_.layout();
  if (layout.sections.size() >= kMaximumSections) return refuse("the image has too many sections");
  if (layout.fileAlignment > kMaximumGrowthAlignment)
    return refuse("the file alignment is larger than 64 KiB");
  std::uint64_t tableEnd = layout.headerBytes.size();
  std::uint64_t newTableEnd = tableEnd + kSectionHeaderSize;
  std::uint64_t firstRaw = layout.fileSize;
  for (const SectionHeader& section : layout.sections) {
    if (section.sizeOfRawData != 0)
      firstRaw = std::min<std::uint64_t>(firstRaw, section.pointerToRawData);
  }
  // The new section header needs free, unused room between the section table and the first section.
  if (newTableEnd > layout.sizeOfHeaders || newTableEnd > firstRaw)
    return refuse("the headers have no room for another section");
  std::uint8_t room[kSectionHeaderSize];
  if (!source_.file().readAt(tableEnd, room, sizeof room) ||
      std::any_of(room, room + sizeof room, [](std::uint8_t b) { return b != 0; }))
    return refuse("the room after the section table is in use");
  for (unsigned i = 0; i < layout.directories.size(); ++i) {
    if (i == kSecurityDirectory) continue;
    const DataDirectory& directory = layout.directories[i];
    if (directory.virtualAddress != 0 && directory.virtualAddress < newTableEnd &&
        directory.virtualAddress + static_cast<std::uint64_t>(directory.size) > tableEnd) {
      return refuse("data directory " + std::to_string(i) + " lies after the section table");
    }
  }

  std::uint64_t imageEnd = layout.sizeOfImage;
  for (const SectionHeader& section : layout.sections) {
    imageEnd = std::max<std::uint64_t>(
        imageEnd, section.virtualAddress + static_cast<std::uint64_t>(section.mappedSize()));
  }
  std::uint64_t address = alignUp(imageEnd, layout.sectionAlignment);
  std::uint64_t overlayStart = layout.endOfSectionData();
  std::uint64_t rawStart = alignUp(overlayStart, layout.fileAlignment);
  std::uint64_t rawSize = alignUp(treeSize, layout.fileAlignment);
  std::uint64_t mappedEnd = address + alignUp(treeSize, layout.sectionAlignment);
  if (mappedEnd > kAddressLimit || rawStart + rawSize > kAddressLimit)
    return refuse("the image would outgrow its address space");
  if (referencesRead_) {
    std::string touched = references_.relocationTouches(address, mappedEnd);
    if (!touched.empty()) return refuse(touched + " where a new section would lie");
  }
  fileShiftAt_ = overlayStart;
  // The overlay moves by whole file alignments, so payloads found at aligned offsets stay aligned.
  fileShift_ = alignUp(rawStart - overlayStart + rawSize, layout.fileAlignment);
  return buildOutput(-1, Placement::kAppend, static_cast<std::uint32_t>(rawSize),
                     static_cast<std::uint32_t>(address), treeSize);
}

void ResourceRewriter::resetPlan() {
  segments_.clear();
  plannedLeaves_.clear();
  patches_.clear();
  checksumWritten_ = false;
  fileShiftAt_ = 0;
  fileShift_ = 0;
  rvaShiftAt_ = 0xFFFFFFFF;
  rvaShift_ = 0;
}

Placement ResourceRewriter::plan() {
  const PeLayout& layout = source_.layout();
  resetPlan();
  reason_.clear();
  placement_ = Placement::kRefused;
  if (layout.directories.size() <= kResourceDirectory) {
    refuse("the image has no resource directory entry");
    return placement_;
  }
  // A file whose sections are not all in it cannot be written back whole.
  if (!layout.sectionsAreComplete()) {
    refuse("a section's raw data lies outside the file");
    return placement_;
  }
  if (source_.tree().serializedSize() > kAddressLimit / 2) {
    refuse("the resources are too large for an image");
    return placement_;
  }
  std::uint32_t treeSize = static_cast<std::uint32_t>(source_.tree().serializedSize());
  referencesRead_ = references_.read(source_.file(), layout) != 0;
  DataDirectory resources = layout.directory(kResourceDirectory);
  int index = resources.virtualAddress != 0 ? layout.sectionOfRva(resources.virtualAddress) : -1;
  if (index >= 0 && resourceSectionIsOwned(index) && planInPlaceOrGrow(index, treeSize)) {
    // A self-extractor's payload is kept valid wherever the overlay lands (overlay_payload.h).
    if (!keepPayloadValid()) placement_ = Placement::kRefused;
    return placement_;
  }
  std::string earlier = reason_;
  // A placement that failed half-way may have left shifts and pieces behind.
  resetPlan();
  if (planAppend(treeSize)) {
    if (!keepPayloadValid()) return placement_ = Placement::kRefused;
    reason_ = earlier;
    return placement_;
  }
  if (!earlier.empty()) reason_ += "; and the resource section cannot take the tree: " + earlier;
  return placement_ = Placement::kRefused;
}

int ResourceRewriter::buildOutput(int index, Placement placement, std::uint32_t newRawSize,
                                  std::uint32_t treeRva, std::uint32_t treeSize) {
  const PeLayout& layout = source_.layout();
  std::vector<std::uint8_t> header = layout.headerBytes;
  std::vector<SectionHeader> sections = layout.sections;
  // Tools read SizeOfInitializedData as the sum of the initialised sections' raw sizes.
  std::int64_t initializedGrowth = 0;
  int oldResources = layout.directory(kResourceDirectory).virtualAddress != 0
                         ? layout.sectionOfRva(layout.directory(kResourceDirectory).virtualAddress)
                         : -1;
  for (std::size_t i = 0; i < sections.size(); ++i) {
    SectionHeader& section = sections[i];
    if (static_cast<int>(i) == index) {
      if ((section.characteristics & kSectionInitializedData) != 0)
        initializedGrowth += static_cast<std::int64_t>(newRawSize) - section.sizeOfRawData;
      section.virtualSize = std::max(section.mappedSize(), treeSize);
      section.sizeOfRawData = newRawSize;
    } else {
      if (section.sizeOfRawData != 0)
        section.pointerToRawData = static_cast<std::uint32_t>(mapOffset(section.pointerToRawData));
      section.virtualAddress = mapRva(section.virtualAddress);
    }
    // One live section answers to the resource section's name: a replaced one is renamed.
    if (placement == Placement::kAppend && static_cast<int>(i) == oldResources &&
        sectionName(section) == ".rsrc")
      std::memcpy(section.name, ".oldrsrc", 8);
    if (section.pointerToRelocations != 0)
      section.pointerToRelocations =
          static_cast<std::uint32_t>(mapOffset(section.pointerToRelocations));
    if (section.pointerToLinenumbers != 0)
      section.pointerToLinenumbers =
          static_cast<std::uint32_t>(mapOffset(section.pointerToLinenumbers));
    putSectionHeader(header, layout.sectionHeaderOffset(static_cast<unsigned>(i)), section);
  }
  std::uint64_t overlayStart = layout.endOfSectionData();
  std::uint64_t appendedRawStart = 0;
  if (placement == Placement::kAppend) {
    SectionHeader added;
    std::memcpy(added.name, ".rsrc", 5);
    added.virtualSize = treeSize;
    added.virtualAddress = treeRva;
    added.sizeOfRawData = newRawSize;
    appendedRawStart = alignUp(overlayStart, layout.fileAlignment);
    added.pointerToRawData = static_cast<std::uint32_t>(appendedRawStart);
    added.characteristics =
        oldResources >= 0 ? layout.sections[static_cast<std::size_t>(oldResources)].characteristics
                          : kDefaultResourceCharacteristics;
    if ((added.characteristics & kSectionInitializedData) != 0) initializedGrowth += newRawSize;
    header.resize(header.size() + kSectionHeaderSize, 0);
    putSectionHeader(header, layout.sectionHeaderOffset(static_cast<unsigned>(sections.size())),
                     added);
    sections.push_back(added);
    putU16(&header[layout.coffHeaderOffset() + field::kNumberOfSections],
           static_cast<std::uint16_t>(sections.size()));
  }
  std::int64_t initialized =
      std::clamp<std::int64_t>(layout.sizeOfInitializedData + initializedGrowth, 0, 0xFFFFFFFF);
  putU32(&header[layout.optionalFieldOffset(field::kSizeOfInitializedData)],
         static_cast<std::uint32_t>(initialized));
  for (unsigned i = 0; i < layout.directories.size(); ++i) {
    DataDirectory directory = layout.directories[i];
    if (i == kSecurityDirectory) {
      directory = DataDirectory{};
    } else if (i == kResourceDirectory) {
      directory = DataDirectory{treeRva, treeSize};
    } else if (directory.virtualAddress != 0) {
      directory.virtualAddress = mapRva(directory.virtualAddress);
    }
    putU32(&header[layout.dataDirectoryOffset(i)], directory.virtualAddress);
    putU32(&header[layout.dataDirectoryOffset(i) + 4], directory.size);
  }
  if (layout.pointerToSymbolTable != 0) {
    putU32(&header[layout.coffHeaderOffset() + field::kPointerToSymbolTable],
           static_cast<std::uint32_t>(mapOffset(layout.pointerToSymbolTable)));
  }
  std::uint64_t imageEnd = static_cast<std::uint64_t>(layout.sizeOfImage) + rvaShift_;
  for (const SectionHeader& section : sections) {
    imageEnd = std::max<std::uint64_t>(imageEnd, layout.mappedEnd(section));
  }
  if (imageEnd > kAddressLimit) return refuse("the image would outgrow its address space");
  putU32(&header[layout.sizeOfImageOffset()], static_cast<std::uint32_t>(imageEnd));
  putU32(&header[layout.checkSumOffset()], 0);

  std::uint64_t end = copyEnd();
  std::uint64_t copyFrom =
      layout.headerBytes.size() + (placement == Placement::kAppend ? kSectionHeaderSize : 0);
  const std::uint64_t headerSize = header.size();
  segments_.push_back(Segment{0, headerSize, std::move(header), false});
  if (placement == Placement::kAppend) {
    segments_.push_back(Segment{copyFrom, overlayStart - copyFrom, {}, false});
    addZeros(appendedRawStart - overlayStart);
    if (!addTree(headerSize + (overlayStart - copyFrom) + (appendedRawStart - overlayStart),
                 treeRva, treeSize))
      return refuse("a resource's data has no bytes in the file");
    // Zeros after the new section keep the overlay's move a whole number of file alignments.
    addZeros(overlayStart + fileShift_ - appendedRawStart - treeSize);
    addOverlay(overlayStart, end);
  } else {
    const SectionHeader& resources = layout.sections[static_cast<std::size_t>(index)];
    std::uint64_t rawEnd =
        resources.pointerToRawData + static_cast<std::uint64_t>(resources.sizeOfRawData);
    segments_.push_back(Segment{copyFrom, resources.pointerToRawData - copyFrom, {}, false});
    if (!addTree(headerSize + (resources.pointerToRawData - copyFrom), treeRva, treeSize))
      return refuse("a resource's data has no bytes in the file");
    addZeros(newRawSize - treeSize);
    // Sections behind the resources, then the overlay.
    segments_.push_back(Segment{rawEnd, overlayStart - rawEnd, {}, false});
    addOverlay(overlayStart, end);
  }
  outputSize_ = 0;
  for (const Segment& segment : segments_) outputSize_ += segment.length;
  if (outputSize_ > ImageFile::kMaximumSize) return refuse("the written file would be too large");
  if (!patchDebugDirectory()) return 0;
  placement_ = placement;
  return 1;
}

void ResourceRewriter::addOverlay(std::uint64_t start, std::uint64_t end) {
  if (end > start) segments_.push_back(Segment{start, end - start, {}, false});
}

void ResourceRewriter::addZeros(std::uint64_t length) {
  if (length != 0) segments_.push_back(Segment{0, length, {}, true});
}

int ResourceRewriter::addTree(std::uint64_t position, std::uint32_t treeRva,
                              std::uint32_t treeSize) {
  // Only the directory and the changed leaves are held; every other leaf goes from file to file,
  // one copy for each run of leaves that lie back to back in both files.
  std::vector<ResourceTree::LeafPlace> places;
  std::vector<std::uint8_t> directory = source_.tree().serializeDirectory(treeRva, places);
  std::uint64_t written = directory.size();
  segments_.push_back(Segment{0, written, std::move(directory), false});
  plannedLeaves_.clear();
  plannedLeaves_.reserve(places.size());
  for (const ResourceTree::LeafPlace& place : places) {
    const ResourceLeaf& leaf = *place.leaf;
    plannedLeaves_.emplace(&leaf, position + place.offset);
    if (leaf.length() == 0) continue;
    addZeros(place.offset - written);
    if (leaf.loaded) {
      segments_.push_back(Segment{0, leaf.data.size(), leaf.data, false});
    } else {
      std::uint64_t from = 0;
      if (!source_.leafOffset(leaf, from)) return 0;
      Segment& last = segments_.back();
      if (place.offset == written && last.copied() && last.length != 0 &&
          last.sourceOffset + last.length == from) {
        last.length += leaf.size;
      } else {
        segments_.push_back(Segment{from, leaf.size, {}, false});
      }
    }
    written = place.offset + static_cast<std::uint64_t>(leaf.length());
  }
  addZeros(treeSize - written);
  return 1;
}

int ResourceRewriter::patchDebugDirectory() {
  if (fileShift_ == 0 && rvaShift_ == 0) return 1;
  std::vector<std::uint8_t> entries;
  std::uint64_t fileOffset = 0;
  if (!readDebugEntries(source_, entries, fileOffset))
    return refuse("the debug directory cannot be read");
  const PeLayout& layout = source_.layout();
  for (std::size_t at = 0; at < entries.size(); at += kDebugEntrySize) {
    std::uint32_t address = 0;
    std::uint32_t pointer = 0;
    readU32(entries, at + field::kDebugAddressOfRawData, address);
    readU32(entries, at + field::kDebugPointerToRawData, pointer);
    const std::uint32_t newAddress = address != 0 ? mapRva(address) : 0;
    const std::uint32_t newPointer =
        pointer != 0 ? static_cast<std::uint32_t>(mapOffset(pointer)) : 0;
    if (newAddress == address && newPointer == pointer) continue;
    // Raw data that two sections share is mapped twice: a patched debug entry there would also
    // change the other section's bytes, code included.
    const std::uint64_t from = fileOffset + at + field::kDebugAddressOfRawData;
    int holders = 0;
    for (const SectionHeader& section : layout.sections) {
      if (section.sizeOfRawData != 0 &&
          from < section.pointerToRawData + std::uint64_t{section.sizeOfRawData} &&
          from + 8 > section.pointerToRawData)
        ++holders;
    }
    if (holders > 1) return refuse("the debug directory lies in raw data that two sections share");
    Patch patch;
    patch.outputOffset = mapOffset(fileOffset + at) + field::kDebugAddressOfRawData;
    patch.bytes.resize(8);
    putU32(&patch.bytes[0], newAddress);
    putU32(&patch.bytes[4], newPointer);
    patches_.push_back(std::move(patch));
  }
  return 1;
}

void ResourceRewriter::applyPatches(std::uint64_t offset, std::uint8_t* out,
                                    std::size_t count) const {
  const std::uint64_t end = offset + count;
  // In their order, so that a later patch wins where two meet.
  for (const Patch& patch : patches_) {
    const std::uint64_t from = std::max(offset, patch.outputOffset);
    const std::uint64_t to = std::min(end, patch.outputOffset + patch.bytes.size());
    if (from >= to) continue;
    std::memcpy(out + (from - offset), patch.bytes.data() + (from - patch.outputOffset),
                static_cast<std::size_t>(to - from));
  }
}

std::vector<std::pair<std::uint64_t, std::uint64_t>> ResourceRewriter::patchedRanges() const {
  std::vector<std::pair<std::uint64_t, std::uint64_t>> ranges;
  for (const Patch& patch : patches_) {
    if (!patch.bytes.empty())
      ranges.emplace_back(patch.outputOffset, patch.outputOffset + patch.bytes.size());
  }
  std::sort(ranges.begin(), ranges.end());
  std::vector<std::pair<std::uint64_t, std::uint64_t>> merged;
  for (const auto& range : ranges) {
    if (!merged.empty() && range.first <= merged.back().second) {
      merged.back().second = std::max(merged.back().second, range.second);
    } else {
      merged.push_back(range);
    }
  }
  return merged;
}

int ResourceRewriter::sourceResidue(std::uint64_t offset, std::uint64_t length,
                                    std::uint32_t& residue) {
  // One buffer for every range, never cleared: each byte of it is read over before use.
  if (!residueChunk_) residueChunk_ = std::make_unique_for_overwrite<std::uint8_t[]>(kChunkSize);
  std::uint8_t* chunk = residueChunk_.get();
  residue = 0;
  for (std::uint64_t done = 0; done < length;) {
    const auto count = static_cast<std::size_t>(std::min<std::uint64_t>(kChunkSize, length - done));
    if (!source_.file().readAt(offset + done, chunk, count)) return 0;
    residue = ChecksumResidue::plus(residue, ChecksumResidue::of(chunk, count, offset + done));
    done += count;
  }
  return 1;
}

int ResourceRewriter::plannedChecksum(std::uint32_t& checksum) {
  // Every byte of the source is read once, never written through the program: a stored checksum
  // cannot be known to be right without adding up all of it, so the source's own sum is taken and
  // adjusted for what the plan replaces, moves and patches.
  const std::uint64_t sourceSize = source_.layout().fileSize;
  std::uint32_t sourceTotal = 0;
  if (!sourceResidue(0, sourceSize, sourceTotal)) return 0;
  std::uint32_t output = 0;
  std::uint32_t copied = 0;  // the copied ranges' terms, where they lie in the source
  // Copied ranges that overlap in the source cannot be told apart by what lies between them.
  bool disjoint = true;
  std::uint64_t copiedEnd = 0;
  for (const Segment& segment : segments_) {
    if (!segment.copied() || segment.length == 0) continue;
    disjoint = disjoint && segment.sourceOffset >= copiedEnd;
    copiedEnd = segment.sourceOffset + segment.length;
  }
  std::uint64_t position = 0;
  for (const Segment& segment : segments_) {
    // Zeros add nothing to the sum.
    if (segment.zeros) {
    } else if (!segment.literal.empty()) {
      output = ChecksumResidue::plus(
          output, ChecksumResidue::of(segment.literal.data(),
                                      static_cast<std::size_t>(segment.length), position));
    } else if (segment.length != 0) {
      const std::uint64_t shift = position - segment.sourceOffset;
      if (shift % 2 != 0 || !disjoint) {
        // Its bytes change places within their words: add them up where they now lie.
        std::uint32_t moved = 0;
        if (!sourceResidue(segment.sourceOffset, segment.length, moved)) return 0;
        output = ChecksumResidue::plus(output, ChecksumResidue::moved(moved, shift));
        copied = ChecksumResidue::plus(copied, moved);
      }
    }
    position += segment.length;
  }
  if (disjoint) {
    // What the copied ranges at even shifts add: the source's sum less what lies between the
    // copied ranges, less the ranges already counted.
    std::uint32_t between = 0;
    std::uint64_t cursor = 0;
    for (const Segment& segment : segments_) {
      if (!segment.copied() || segment.length == 0) continue;
      std::uint32_t gap = 0;
      if (!sourceResidue(cursor, segment.sourceOffset - cursor, gap)) return 0;
      between = ChecksumResidue::plus(between, gap);
      cursor = segment.sourceOffset + segment.length;
    }
    std::uint32_t tail = 0;
    if (cursor < sourceSize && !sourceResidue(cursor, sourceSize - cursor, tail)) return 0;
    between = ChecksumResidue::plus(between, tail);
    output = ChecksumResidue::plus(
        output, ChecksumResidue::minus(ChecksumResidue::minus(sourceTotal, between), copied));
  }
  // Patched bytes: their terms before the patch out, after it in.
  std::vector<std::uint8_t> before;
  std::vector<std::uint8_t> after;
  for (const auto& [from, to] : patchedRanges()) {
    const auto count = static_cast<std::size_t>(to - from);
    before.resize(count);
    after.resize(count);
    if (!readPlanned(from, before.data(), count, false) ||
        !readPlanned(from, after.data(), count, true))
      return 0;
    output = ChecksumResidue::minus(output, ChecksumResidue::of(before.data(), count, from));
    output = ChecksumResidue::plus(output, ChecksumResidue::of(after.data(), count, from));
  }
  checksum = ChecksumResidue::checksum(output, position);
  return 1;
}

int ResourceRewriter::streamTo(platform::ReplacementFile& out) {
  const std::vector<std::pair<std::uint64_t, std::uint64_t>> patched = patchedRanges();
  std::vector<std::uint8_t> chunk;
  std::uint64_t position = 0;
  for (const Segment& segment : segments_) {
    const std::uint64_t end = position + segment.length;
    // Bytes no patch changes go out as they are: copied from file to file, written from the
    // plan, or extended as zeros; only the few that patches change pass through `chunk`.
    auto emit = [&](std::uint64_t from, std::uint64_t to) {
      if (segment.zeros) return out.appendZeros(to - from);
      if (!segment.literal.empty())
        return out.write(segment.literal.data() + (from - position),
                         static_cast<std::size_t>(to - from));
      return source_.file().copyTo(segment.sourceOffset + (from - position), to - from, out);
    };
    std::uint64_t cursor = position;
    for (const auto& [from, to] : patched) {
      if (to <= cursor || from >= end) continue;
      const std::uint64_t patchFrom = std::max(from, cursor);
      const std::uint64_t patchTo = std::min(to, end);
      if (patchFrom > cursor && !emit(cursor, patchFrom)) return 0;
      chunk.resize(static_cast<std::size_t>(patchTo - patchFrom));
      if (!readPlanned(patchFrom, chunk.data(), chunk.size())) return 0;
      if (!out.write(chunk.data(), chunk.size())) return 0;
      cursor = patchTo;
    }
    if (end > cursor && !emit(cursor, end)) return 0;
    position = end;
  }
  // A file without a checksum keeps none: its bytes need not be added up.
  if (source_.layout().checkSum != 0) {
    std::uint32_t checksum = 0;
    if (!plannedChecksum(checksum)) return 0;
    std::uint8_t value[4];
    putU32(value, checksum);
    if (!out.writeAt(source_.layout().checkSumOffset(), value, sizeof value)) return 0;
    checksum_ = checksum;
    checksumWritten_ = true;
  }
  return out.complete();
}

const std::uint8_t* ResourceRewriter::plannedLiteral(std::uint64_t offset,
                                                     std::uint64_t length) const {
  std::uint64_t position = 0;
  for (const Segment& segment : segments_) {
    if (offset >= position && offset - position <= segment.length &&
        segment.length - (offset - position) >= length) {
      return segment.literal.empty() ? nullptr : segment.literal.data() + (offset - position);
    }
    position += segment.length;
  }
  return nullptr;
}

int ResourceRewriter::sameDirectory(const ResourceDirectory& expected,
                                    const ResourceDirectory& written, PeResourceFile& file) const {
  if (expected.entries.size() != written.entries.size() ||
      expected.characteristics != written.characteristics ||
      expected.timeDateStamp != written.timeDateStamp ||
      expected.majorVersion != written.majorVersion ||
      expected.minorVersion != written.minorVersion)
    return 0;
  for (std::size_t i = 0; i < expected.entries.size(); ++i) {
    const ResourceEntry& want = expected.entries[i];
    const ResourceEntry& got = written.entries[i];
    if (!(want.id == got.id) || !want.directory != !got.directory) return 0;
    if (want.directory) {
      if (!sameDirectory(*want.directory, *got.directory, file)) return 0;
      continue;
    }
    if (got.leaf->codePage != want.leaf->codePage || got.leaf->size != want.leaf->length())
      return 0;
    // Where the written headers say the leaf lies must be where the plan put its bytes: copied
    // from the source's leaf, or written from the new data and compared with the file already.
    std::uint64_t offset = 0;
    if (!file.layout().rvaToFileOffset(got.leaf->dataRva, got.leaf->size, offset)) return 0;
    if (got.leaf->size == 0) continue;
    const auto planned = plannedLeaves_.find(want.leaf.get());
    if (planned == plannedLeaves_.end() || planned->second != offset) return 0;
    if (!want.leaf->loaded) continue;
    const std::uint8_t* literal = plannedLiteral(offset, got.leaf->size);
    if (literal == nullptr || std::memcmp(literal, want.leaf->data.data(), got.leaf->size) != 0)
      return 0;
  }
  return 1;
}

int ResourceRewriter::sameBytes(ImageFile& written, std::uint64_t offset, std::uint64_t length) {
  std::vector<std::uint8_t> want;
  std::vector<std::uint8_t> got;
  for (std::uint64_t done = 0; done < length;) {
    const auto count =
        static_cast<std::size_t>(std::min<std::uint64_t>(kVerifyChunk, length - done));
    want.resize(count);
    got.resize(count);
    if (!readPlanned(offset + done, want.data(), count) ||
        !written.readAt(offset + done, got.data(), count))
      return 0;
    // The checksum is the one field written after the planned bytes.
    const std::uint64_t field = source_.layout().checkSumOffset();
    if (checksumWritten_ && field + 4 > offset + done && field < offset + done + count) {
      std::uint8_t value[4];
      putU32(value, checksum_);
      for (std::uint64_t k = std::max(field, offset + done);
           k < std::min(field + 4, offset + done + count); ++k)
        want[static_cast<std::size_t>(k - offset - done)] = value[k - field];
    }
    if (want != got) return 0;
    done += count;
  }
  return 1;
}

int ResourceRewriter::verify(const std::string& path) {
  // Only what the rewrite wrote itself is read back: the headers, the new tree and the patched
  // bytes. The bytes the system copied are the source's, and a short copy failed already; the
  // padding is zeros that the system put there by extending the file, which the size confirms.
  PeResourceFile written;
  if (!written.open(path)) return refuse("the written file does not read back");
  if (written.layout().fileSize != outputSize_)
    return refuse("the written file does not have the planned size");
  std::uint64_t position = 0;
  for (const Segment& segment : segments_) {
    if (!segment.literal.empty() && !sameBytes(written.file(), position, segment.length))
      return refuse("the written file does not hold the planned bytes");
    position += segment.length;
  }
  for (const auto& [from, to] : patchedRanges()) {
    if (!sameBytes(written.file(), from, to - from))
      return refuse("the written file does not hold the planned bytes");
  }
  if (!sameDirectory(source_.tree().root, written.tree().root, written))
    return refuse("the written file does not hold the planned resources");
  return 1;
}

int ResourceRewriter::write(const std::string& targetPath) {
  if (placement_ == Placement::kRefused) return 0;
  // Until the commit the target keeps its bytes; every way out before it removes the new file.
  platform::ReplacementFile out;
  if (!out.open(targetPath.c_str())) return refuse(out.failure());
  if (!streamTo(out))
    return refuse(out.failure().empty() ? "the new file cannot be written" : out.failure());
  if (!verify(out.temporaryPath())) return 0;
  // The source is closed first: Windows cannot replace a file that is still open.
  source_.file().close();
  if (!out.commit()) return refuse(out.failure());
  return 1;
}

}  // namespace pe
