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
constexpr std::size_t kChunkSize = 4 << 20;
constexpr std::uint32_t kDefaultResourceCharacteristics = 0x40000040;  // initialised data, readable
constexpr std::uint64_t kAddressLimit = 0x7FFFFFFF;

void putSectionHeader(std::vector<std::uint8_t>& header, std::uint32_t at,
                      const SectionHeader& section) {
  std::memcpy(&header[at], section.name, 8);
  putU32(&header[at + 8], section.virtualSize);
  putU32(&header[at + 12], section.virtualAddress);
  putU32(&header[at + 16], section.sizeOfRawData);
  putU32(&header[at + 20], section.pointerToRawData);
  putU32(&header[at + 24], section.pointerToRelocations);
  putU32(&header[at + 28], section.pointerToLinenumbers);
  putU16(&header[at + 32], section.numberOfRelocations);
  putU16(&header[at + 34], section.numberOfLinenumbers);
  putU32(&header[at + 36], section.characteristics);
}

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

int ResourceRewriter::resourceSectionIsOwned(int index) const {
  const PeLayout& layout = source_.layout();
  const SectionHeader& section = layout.sections[static_cast<std::size_t>(index)];
  if (layout.directory(kResourceDirectory).virtualAddress != section.virtualAddress) return 0;
  std::uint64_t start = section.virtualAddress;
  std::uint64_t end = start + alignUp(section.mappedSize(), layout.sectionAlignment);
  // A section shared with anything else cannot be rewritten; the resources then move to a new one.
  for (unsigned i = 0; i < layout.directories.size(); ++i) {
    if (i == kResourceDirectory || i == kSecurityDirectory) continue;
    if (layout.directories[i].virtualAddress != 0 &&
        inRange(layout.directories[i].virtualAddress, start, end))
      return 0;
  }
  if (inRange(layout.addressOfEntryPoint, start, end)) return 0;
  std::vector<std::uint8_t> debug;
  std::uint64_t debugOffset = 0;
  if (!readDebugEntries(source_, debug, debugOffset)) return 0;
  for (std::size_t at = 0; at < debug.size(); at += kDebugEntrySize) {
    std::uint32_t address = 0;
    readU32(debug, at + 20, address);
    if (address != 0 && inRange(address, start, end)) return 0;
  }
  return 1;
}

int ResourceRewriter::planInPlaceOrGrow(int index, std::uint32_t treeSize) {
  const PeLayout& layout = source_.layout();
  const SectionHeader& resources = layout.sections[static_cast<std::size_t>(index)];
  std::uint64_t rawStart = resources.pointerToRawData;
  std::uint64_t rawEnd = rawStart + resources.sizeOfRawData;
  if (resources.sizeOfRawData == 0) return 0;
  std::uint64_t nextAddress = std::numeric_limits<std::uint64_t>::max();
  for (std::size_t i = 0; i < layout.sections.size(); ++i) {
    if (static_cast<int>(i) == index) continue;
    const SectionHeader& other = layout.sections[i];
    if (other.virtualAddress == resources.virtualAddress) return 0;
    if (other.virtualAddress > resources.virtualAddress)
      nextAddress = std::min<std::uint64_t>(nextAddress, other.virtualAddress);
  }
  std::uint64_t mapped = std::max<std::uint64_t>(resources.mappedSize(), treeSize);
  std::uint64_t mappedEnd = alignUp(resources.virtualAddress + mapped, layout.sectionAlignment);
  if (treeSize <= resources.sizeOfRawData && mappedEnd <= nextAddress) {
    return buildOutput(index, Placement::kInPlace, resources.sizeOfRawData,
                       resources.virtualAddress, treeSize);
  }

  // Growing moves everything behind the section, so only sections that nothing but the base
  // relocation and debug directories refer to may lie behind it.
  for (std::size_t i = 0; i < layout.sections.size(); ++i) {
    if (static_cast<int>(i) == index) continue;
    const SectionHeader& other = layout.sections[i];
    if (other.virtualAddress > resources.virtualAddress) {
      if ((other.characteristics & kSectionDiscardable) == 0) return 0;
      if (other.sizeOfRawData != 0 && other.pointerToRawData < rawEnd) return 0;
    } else if (other.sizeOfRawData != 0 &&
               other.pointerToRawData + static_cast<std::uint64_t>(other.sizeOfRawData) >
                   rawStart) {
      return 0;
    }
  }
  for (unsigned i = 0; i < layout.directories.size(); ++i) {
    if (i == kResourceDirectory || i == kSecurityDirectory || i == kBaseRelocationDirectory ||
        i == kDebugDirectory) {
      continue;
    }
    if (layout.directories[i].virtualAddress != 0 &&
        layout.directories[i].virtualAddress >= nextAddress)
      return 0;
  }
  if (layout.addressOfEntryPoint >= nextAddress) return 0;

  // A tree may fit the raw data and still not the address slot: then only addresses move.
  std::uint64_t growth = treeSize > resources.sizeOfRawData
                             ? alignUp(treeSize - resources.sizeOfRawData, layout.fileAlignment)
                             : 0;
  fileShiftAt_ = rawEnd;
  fileShift_ = growth;
  if (nextAddress != std::numeric_limits<std::uint64_t>::max() && mappedEnd > nextAddress) {
    rvaShiftAt_ = static_cast<std::uint32_t>(nextAddress);
    rvaShift_ =
        static_cast<std::uint32_t>(alignUp(mappedEnd - nextAddress, layout.sectionAlignment));
  }
  if (layout.sizeOfImage + static_cast<std::uint64_t>(rvaShift_) > kAddressLimit) return 0;
  return buildOutput(index, Placement::kGrow,
                     static_cast<std::uint32_t>(resources.sizeOfRawData + growth),
                     resources.virtualAddress, treeSize);
}

int ResourceRewriter::planAppend(std::uint32_t treeSize) {
  const PeLayout& layout = source_.layout();
  if (layout.sections.size() >= kMaximumSections) return 0;
  std::uint64_t tableEnd = layout.headerBytes.size();
  std::uint64_t newTableEnd = tableEnd + kSectionHeaderSize;
  std::uint64_t firstRaw = layout.fileSize;
  for (const SectionHeader& section : layout.sections) {
    if (section.sizeOfRawData != 0)
      firstRaw = std::min<std::uint64_t>(firstRaw, section.pointerToRawData);
  }
  // The new section header needs free, unused room between the section table and the first section.
  if (newTableEnd > layout.sizeOfHeaders || newTableEnd > firstRaw) return 0;
  std::uint8_t room[kSectionHeaderSize];
  if (!source_.file().readAt(tableEnd, room, sizeof room)) return 0;
  if (std::any_of(room, room + sizeof room, [](std::uint8_t b) { return b != 0; })) return 0;
  for (unsigned i = 0; i < layout.directories.size(); ++i) {
    if (i == kSecurityDirectory) continue;
    const DataDirectory& directory = layout.directories[i];
    if (directory.virtualAddress != 0 && directory.virtualAddress < newTableEnd &&
        directory.virtualAddress + static_cast<std::uint64_t>(directory.size) > tableEnd) {
      return 0;
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
  if (address + alignUp(treeSize, layout.sectionAlignment) > kAddressLimit ||
      rawStart + rawSize > kAddressLimit)
    return 0;
  fileShiftAt_ = overlayStart;
  fileShift_ = rawStart - overlayStart + rawSize;
  return buildOutput(-1, Placement::kAppend, static_cast<std::uint32_t>(rawSize),
                     static_cast<std::uint32_t>(address), treeSize);
}

void ResourceRewriter::resetPlan() {
  segments_.clear();
  patches_.clear();
  fileShiftAt_ = 0;
  fileShift_ = 0;
  rvaShiftAt_ = 0xFFFFFFFF;
  rvaShift_ = 0;
}

Placement ResourceRewriter::plan() {
  const PeLayout& layout = source_.layout();
  resetPlan();
  placement_ = Placement::kRefused;
  if (layout.directories.size() <= kResourceDirectory) return placement_;
  // A file whose sections are not all in it cannot be written back whole.
  for (const SectionHeader& section : layout.sections) {
    if (section.sizeOfRawData == 0) continue;
    if (section.pointerToRawData < layout.headerBytes.size() ||
        section.pointerToRawData + static_cast<std::uint64_t>(section.sizeOfRawData) >
            layout.fileSize) {
      return placement_;
    }
  }
  std::uint64_t treeSize = source_.tree().serialize(0).size();
  if (treeSize > kAddressLimit / 2) return placement_;
  DataDirectory resources = layout.directory(kResourceDirectory);
  int index = resources.virtualAddress != 0 ? layout.sectionOfRva(resources.virtualAddress) : -1;
  if (index >= 0 && resourceSectionIsOwned(index) &&
      planInPlaceOrGrow(index, static_cast<std::uint32_t>(treeSize))) {
    return placement_;
  }
  // A placement that failed half-way may have left shifts and pieces behind.
  resetPlan();
  if (planAppend(static_cast<std::uint32_t>(treeSize))) return placement_;
  return placement_ = Placement::kRefused;
}

int ResourceRewriter::buildOutput(int index, Placement placement, std::uint32_t newRawSize,
                                  std::uint32_t treeRva, std::uint32_t treeSize) {
  const PeLayout& layout = source_.layout();
  std::vector<std::uint8_t> header = layout.headerBytes;
  std::vector<SectionHeader> sections = layout.sections;
  for (std::size_t i = 0; i < sections.size(); ++i) {
    SectionHeader& section = sections[i];
    if (static_cast<int>(i) == index) {
      section.virtualSize = std::max(section.mappedSize(), treeSize);
      section.sizeOfRawData = newRawSize;
    } else {
      if (section.sizeOfRawData != 0)
        section.pointerToRawData = static_cast<std::uint32_t>(mapOffset(section.pointerToRawData));
      section.virtualAddress = mapRva(section.virtualAddress);
    }
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
    int old = layout.directory(kResourceDirectory).virtualAddress != 0
                  ? layout.sectionOfRva(layout.directory(kResourceDirectory).virtualAddress)
                  : -1;
    added.characteristics = old >= 0
                                ? layout.sections[static_cast<std::size_t>(old)].characteristics
                                : kDefaultResourceCharacteristics;
    header.resize(header.size() + kSectionHeaderSize, 0);
    putSectionHeader(header, layout.sectionHeaderOffset(static_cast<unsigned>(sections.size())),
                     added);
    sections.push_back(added);
    putU16(&header[layout.coffHeaderOffset() + 2], static_cast<std::uint16_t>(sections.size()));
  }
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
    putU32(&header[layout.coffHeaderOffset() + 8],
           static_cast<std::uint32_t>(mapOffset(layout.pointerToSymbolTable)));
  }
  std::uint64_t imageEnd = static_cast<std::uint64_t>(layout.sizeOfImage) + rvaShift_;
  for (const SectionHeader& section : sections) {
    imageEnd = std::max<std::uint64_t>(
        imageEnd, alignUp(section.virtualAddress + static_cast<std::uint64_t>(section.mappedSize()),
                          layout.sectionAlignment));
  }
  if (imageEnd > kAddressLimit) return 0;
  putU32(&header[layout.sizeOfImageOffset()], static_cast<std::uint32_t>(imageEnd));
  putU32(&header[layout.checkSumOffset()], 0);

  std::vector<std::uint8_t> tree = source_.tree().serialize(treeRva);
  tree.resize(newRawSize, 0);
  std::uint64_t end = copyEnd();
  std::uint64_t copyFrom =
      layout.headerBytes.size() + (placement == Placement::kAppend ? kSectionHeaderSize : 0);
  segments_.push_back(Segment{0, header.size(), std::move(header)});
  if (placement == Placement::kAppend) {
    segments_.push_back(Segment{copyFrom, overlayStart - copyFrom, {}});
    std::vector<std::uint8_t> added(static_cast<std::size_t>(appendedRawStart - overlayStart), 0);
    added.insert(added.end(), tree.begin(), tree.end());
    std::uint64_t addedSize = added.size();
    segments_.push_back(Segment{0, addedSize, std::move(added)});
    segments_.push_back(Segment{overlayStart, end - overlayStart, {}});
  } else {
    const SectionHeader& resources = layout.sections[static_cast<std::size_t>(index)];
    std::uint64_t rawEnd =
        resources.pointerToRawData + static_cast<std::uint64_t>(resources.sizeOfRawData);
    segments_.push_back(Segment{copyFrom, resources.pointerToRawData - copyFrom, {}});
    segments_.push_back(Segment{0, tree.size(), std::move(tree)});
    segments_.push_back(Segment{rawEnd, end - rawEnd, {}});
  }
  outputSize_ = 0;
  for (const Segment& segment : segments_) outputSize_ += segment.length;
  if (outputSize_ > ImageFile::kMaximumSize) return 0;
  if (!patchDebugDirectory()) return 0;
  placement_ = placement;
  return 1;
}

int ResourceRewriter::patchDebugDirectory() {
  if (fileShift_ == 0 && rvaShift_ == 0) return 1;
  std::vector<std::uint8_t> entries;
  std::uint64_t fileOffset = 0;
  if (!readDebugEntries(source_, entries, fileOffset)) return 0;
  for (std::size_t at = 0; at < entries.size(); at += kDebugEntrySize) {
    std::uint32_t address = 0;
    std::uint32_t pointer = 0;
    readU32(entries, at + 20, address);
    readU32(entries, at + 24, pointer);
    Patch patch;
    patch.outputOffset = mapOffset(fileOffset + at) + 20;
    patch.bytes.resize(8);
    putU32(&patch.bytes[0], address != 0 ? mapRva(address) : 0);
    putU32(&patch.bytes[4], pointer != 0 ? static_cast<std::uint32_t>(mapOffset(pointer)) : 0);
    patches_.push_back(std::move(patch));
  }
  return 1;
}

int ResourceRewriter::streamTo(platform::ReplacementFile& out) {
  PeChecksum checksum;
  // A file without a checksum keeps none: its bytes need not be added up.
  const bool keepsChecksum = source_.layout().checkSum != 0;
  std::vector<std::uint8_t> chunk(kChunkSize);
  std::uint64_t position = 0;
  for (const Segment& segment : segments_) {
    std::uint64_t done = 0;
    while (done < segment.length) {
      std::size_t count =
          static_cast<std::size_t>(std::min<std::uint64_t>(kChunkSize, segment.length - done));
      if (!segment.literal.empty()) {
        std::memcpy(chunk.data(), segment.literal.data() + done, count);
      } else if (!source_.file().readAt(segment.sourceOffset + done, chunk.data(), count)) {
        return 0;
      }
      for (const Patch& patch : patches_) {
        for (std::size_t k = 0; k < patch.bytes.size(); ++k) {
          std::uint64_t at = patch.outputOffset + k;
          if (at >= position && at < position + count)
            chunk[static_cast<std::size_t>(at - position)] = patch.bytes[k];
        }
      }
      if (keepsChecksum) checksum.add(chunk.data(), count);
      if (!out.write(chunk.data(), count)) return 0;
      position += count;
      done += count;
    }
  }
  if (keepsChecksum) {
    std::uint8_t value[4];
    putU32(value, checksum.finish(position));
    if (!out.writeAt(source_.layout().checkSumOffset(), value, sizeof value)) return 0;
  }
  return 1;
}

int ResourceRewriter::verify(const std::string& path) const {
  PeResourceFile written;
  if (!written.open(path) || written.layout().fileSize != outputSize_) return 0;
  std::size_t expectedLeaves = 0;
  int ok = 1;
  source_.tree().forEachLeaf([&](const ResourceId& type, const ResourceId& name,
                                 const ResourceId& language, const ResourceLeaf& leaf) {
    ++expectedLeaves;
    std::vector<std::uint8_t> bytes;
    if (!ok || language.named || !written.readData(type, name, language.id, bytes) ||
        bytes != leaf.data)
      ok = 0;
  });
  std::size_t writtenLeaves = 0;
  written.tree().forEachLeaf([&](ResourceLeaf&) { ++writtenLeaves; });
  return ok && writtenLeaves == expectedLeaves;
}

int ResourceRewriter::write(const std::string& targetPath) {
  if (placement_ == Placement::kRefused) return 0;
  // Until the commit the target keeps its bytes; every way out before it removes the new file.
  platform::ReplacementFile out;
  if (!out.open(targetPath.c_str()) || !streamTo(out) || !verify(out.temporaryPath())) return 0;
  // The source is closed first: Windows cannot replace a file that is still open.
  source_.file().close();
  return out.commit();
}

}  // namespace pe
