#include "resedit/pe/image_references.h"

#include <algorithm>

#include "resedit/pe/byte_order.h"

namespace pe {

namespace {

constexpr std::uint32_t kRelocationBlockHeader = 8;
constexpr std::uint32_t kPageSize = 4096;
constexpr std::uint16_t kRelocationAbsolute = 0;
constexpr std::uint16_t kRelocationHighLow = 3;
constexpr std::uint16_t kRelocationDir64 = 10;
constexpr std::uint32_t kRuntimeFunctionSize = 12;

// Reads `size` bytes at `rva` as the loader maps them: bytes without raw data behind them read as
// zero.
std::vector<std::uint8_t> readMapped(ImageFile& file, const PeLayout& layout, std::uint32_t rva,
                                     std::uint32_t size) {
  std::vector<std::uint8_t> bytes(size, 0);
  int index = layout.sectionOfRva(rva);
  if (index < 0) return bytes;
  const SectionHeader& section = layout.sections[static_cast<std::size_t>(index)];
  std::uint64_t within = rva - section.virtualAddress;
  if (within >= section.sizeOfRawData) return bytes;
  std::uint64_t count = std::min<std::uint64_t>(size, section.sizeOfRawData - within);
  std::uint64_t offset = section.pointerToRawData + within;
  if (!fitsWithin(offset, count, layout.fileSize)) return bytes;
  file.readAt(offset, bytes.data(), static_cast<std::size_t>(count));
  return bytes;
}

template <typename T>
bool anyIn(const std::vector<T>& sorted, std::uint64_t start, std::uint64_t end) {
  auto at = std::lower_bound(sorted.begin(), sorted.end(), start,
                             [](T value, std::uint64_t key) { return value < key; });
  return at != sorted.end() && *at < end;
}

}  // namespace

int ImageReferences::read(ImageFile& file, const PeLayout& layout) {
  *this = ImageReferences{};
  directories_ = layout.directories;
  entryPoint_ = layout.addressOfEntryPoint;
  return readRelocations(file, layout) && readExceptions(file, layout);
}

int ImageReferences::readRelocations(ImageFile& file, const PeLayout& layout) {
  DataDirectory table = layout.directory(kBaseRelocationDirectory);
  if (table.virtualAddress == 0 || table.size == 0) return 1;
  std::uint64_t offset = 0;
  // The size is checked against the file before anything is allocated for it.
  bool inFile = table.size <= layout.fileSize &&
                layout.rvaToFileOffset(table.virtualAddress, table.size, offset);
  std::vector<std::uint8_t> blocks(inFile ? table.size : 0);
  if (!inFile || !file.readAt(offset, blocks.data(), blocks.size())) {
    reason_ = "the base relocation table lies outside the file";
    return 0;
  }
  std::uint32_t at = 0;
  while (blocks.size() - at >= kRelocationBlockHeader) {
    std::uint32_t page = 0;
    std::uint32_t blockSize = 0;
    readU32(blocks, at, page);
    readU32(blocks, at + 4, blockSize);
    if (blockSize < kRelocationBlockHeader || blockSize > blocks.size() - at) {
      reason_ = "a base relocation block has an impossible size";
      return 0;
    }
    // A block names its page even when it patches nothing there: it would name the wrong one
    // after a move, since the engine does not rewrite blocks.
    pages_.push_back(page);
    std::vector<std::uint8_t> pageBytes = readMapped(file, layout, page, kPageSize + 8);
    for (std::uint32_t k = at + kRelocationBlockHeader; k + 2 <= at + blockSize; k += 2) {
      std::uint16_t entry = 0;
      readU16(blocks, k, entry);
      std::uint16_t type = entry >> 12;
      std::uint32_t within = entry & 0xFFF;
      if (type == kRelocationAbsolute) continue;
      sites_.push_back(page + within);
      std::uint64_t value = 0;
      if (type == kRelocationHighLow) {
        std::uint32_t v = 0;
        readU32(pageBytes, within, v);
        value = v;
      } else if (type == kRelocationDir64) {
        std::uint32_t low = 0;
        std::uint32_t high = 0;
        readU32(pageBytes, within, low);
        readU32(pageBytes, within + 4, high);
        value = (static_cast<std::uint64_t>(high) << 32) | low;
      } else {
        opaqueValues_ = true;
        continue;
      }
      // A value below the image base points nowhere inside the image.
      if (value >= layout.imageBase) values_.push_back(value - layout.imageBase);
    }
    at += blockSize;
  }
  std::sort(sites_.begin(), sites_.end());
  std::sort(pages_.begin(), pages_.end());
  std::sort(values_.begin(), values_.end());
  return 1;
}

int ImageReferences::readExceptions(ImageFile& file, const PeLayout& layout) {
  DataDirectory table = layout.directory(kExceptionDirectory);
  if (table.virtualAddress == 0 || table.size == 0) return 1;
  if (layout.machine != kMachineAmd64) {
    // Other machines' entries have other shapes; they only keep addresses from moving.
    opaqueExceptions_ = true;
    return 1;
  }
  std::uint32_t count = table.size / kRuntimeFunctionSize;
  std::uint64_t offset = 0;
  const std::uint32_t length = count * kRuntimeFunctionSize;
  bool inFile =
      table.size <= layout.fileSize && layout.rvaToFileOffset(table.virtualAddress, length, offset);
  std::vector<std::uint8_t> entries(inFile ? length : 0);
  if (!inFile || !file.readAt(offset, entries.data(), entries.size())) {
    reason_ = "the exception table lies outside the file";
    return 0;
  }
  exceptionAddresses_.reserve(3u * count);
  for (std::size_t at = 0; at < entries.size(); at += 4) {
    std::uint32_t address = 0;
    readU32(entries, at, address);
    exceptionAddresses_.push_back(address);
  }
  std::sort(exceptionAddresses_.begin(), exceptionAddresses_.end());
  return 1;
}

std::string ImageReferences::relocationTouches(std::uint64_t start, std::uint64_t end) const {
  // A patched field starts up to 7 bytes before the range and still reaches into it.
  if (anyIn(sites_, start >= 7 ? start - 7 : 0, end))
    return "a base relocation patches bytes there";
  return {};
}

std::string ImageReferences::whatRefersInto(std::uint64_t start, std::uint64_t end,
                                            bool movesAddresses) const {
  std::string touched = relocationTouches(start, end);
  if (!touched.empty()) return touched;
  if (anyIn(values_, start, end)) return "a relocated address points there";
  if (movesAddresses && anyIn(pages_, start, end))
    return "a base relocation block names a page there";
  if (movesAddresses && opaqueValues_)
    return "the image has base relocations whose targets cannot be read";
  if (anyIn(exceptionAddresses_, start, end)) return "an exception entry refers there";
  if (movesAddresses && opaqueExceptions_)
    return "the image has an exception table of a format the engine does not read";
  if (entryPoint_ >= start && entryPoint_ < end) return "the entry point lies there";
  for (unsigned i = 0; i < directories_.size(); ++i) {
    // The resource, certificate, relocation and debug directories are the engine's to rewrite.
    if (i == kResourceDirectory || i == kSecurityDirectory || i == kBaseRelocationDirectory ||
        i == kDebugDirectory) {
      continue;
    }
    const DataDirectory& directory = directories_[i];
    if (directory.virtualAddress == 0) continue;
    std::uint64_t from = directory.virtualAddress;
    std::uint64_t to = from + std::max<std::uint32_t>(directory.size, 1);
    if (from < end && to > start) return "data directory " + std::to_string(i) + " lies there";
  }
  return {};
}

}  // namespace pe
