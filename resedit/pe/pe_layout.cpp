#include "resedit/pe/pe_layout.h"

#include <algorithm>
#include <cstring>

#include "resedit/pe/byte_order.h"

namespace pe {

namespace {

constexpr std::uint32_t kMaximumHeaderOffset = 0x10000000;
constexpr std::uint16_t kPe32Magic = 0x10b;
constexpr std::uint16_t kPe32PlusMagic = 0x20b;

bool isPowerOfTwo(std::uint32_t value) { return value != 0 && (value & (value - 1)) == 0; }

}  // namespace

std::string sectionName(const SectionHeader& section) {
  return std::string(section.name, strnlen(section.name, sizeof section.name));
}

int PeLayout::parse(ImageFile& file) {
  fileSize = file.size();
  std::uint8_t dos[64];
  if (!file.readAt(0, dos, sizeof dos) || dos[0] != 'M' || dos[1] != 'Z') return 0;
  if (!readU32(dos, 60, peOffset) || peOffset < 4 || peOffset > kMaximumHeaderOffset) return 0;

  std::uint8_t fixed[24 + 2];
  if (!file.readAt(peOffset, fixed, sizeof fixed)) return 0;
  if (std::memcmp(fixed, "PE\0\0", 4) != 0) return 0;
  std::span<const std::uint8_t> coff(fixed + 4, 20);
  readU16(coff, 2, numberOfSections);
  readU32(coff, 8, pointerToSymbolTable);
  readU16(coff, 16, sizeOfOptionalHeader);
  readU16(coff, 18, characteristics);
  std::uint16_t magic = 0;
  readU16(fixed, 24, magic);
  if (magic != kPe32Magic && magic != kPe32PlusMagic) return 0;
  pe32Plus = magic == kPe32PlusMagic;
  std::uint32_t fixedOptionalSize = pe32Plus ? 112 : 96;
  if (sizeOfOptionalHeader < fixedOptionalSize || numberOfSections == 0) return 0;

  std::uint64_t tableEnd = static_cast<std::uint64_t>(sectionTableOffset()) +
                           static_cast<std::uint64_t>(kSectionHeaderSize) * numberOfSections;
  if (tableEnd > fileSize) return 0;
  headerBytes.assign(static_cast<std::size_t>(tableEnd), 0);
  if (!file.readAt(0, headerBytes.data(), headerBytes.size())) return 0;
  std::span<const std::uint8_t> bytes(headerBytes);

  std::uint32_t optional = optionalHeaderOffset();
  readU32(bytes, optional + 16, addressOfEntryPoint);
  readU32(bytes, optional + 32, sectionAlignment);
  readU32(bytes, optional + 36, fileAlignment);
  readU32(bytes, optional + 56, sizeOfImage);
  readU32(bytes, optional + 60, sizeOfHeaders);
  readU32(bytes, optional + 64, checkSum);
  readU32(bytes, optional + (pe32Plus ? 108 : 92), numberOfRvaAndSizes);
  if (!isPowerOfTwo(fileAlignment) || !isPowerOfTwo(sectionAlignment) ||
      sectionAlignment < fileAlignment) {
    return 0;
  }
  std::uint32_t directoryCount = std::min<std::uint32_t>(numberOfRvaAndSizes, 16);
  if (fixedOptionalSize + 8u * directoryCount > sizeOfOptionalHeader) return 0;
  directories.resize(directoryCount);
  for (std::uint32_t i = 0; i < directoryCount; ++i) {
    readU32(bytes, dataDirectoryOffset(i), directories[i].virtualAddress);
    readU32(bytes, dataDirectoryOffset(i) + 4, directories[i].size);
  }

  sections.resize(numberOfSections);
  for (unsigned i = 0; i < numberOfSections; ++i) {
    std::uint32_t at = sectionHeaderOffset(i);
    SectionHeader& section = sections[i];
    std::memcpy(section.name, &headerBytes[at], 8);
    readU32(bytes, at + 8, section.virtualSize);
    readU32(bytes, at + 12, section.virtualAddress);
    readU32(bytes, at + 16, section.sizeOfRawData);
    readU32(bytes, at + 20, section.pointerToRawData);
    readU32(bytes, at + 24, section.pointerToRelocations);
    readU32(bytes, at + 28, section.pointerToLinenumbers);
    readU16(bytes, at + 32, section.numberOfRelocations);
    readU16(bytes, at + 34, section.numberOfLinenumbers);
    readU32(bytes, at + 36, section.characteristics);
  }
  return 1;
}

int PeLayout::sectionOfRva(std::uint32_t rva) const {
  for (std::size_t i = 0; i < sections.size(); ++i) {
    const SectionHeader& section = sections[i];
    std::uint64_t start = section.virtualAddress;
    if (rva >= start && rva < start + section.mappedSize()) return static_cast<int>(i);
  }
  return -1;
}

int PeLayout::rvaToFileOffset(std::uint32_t rva, std::uint32_t size, std::uint64_t& offset) const {
  int index = sectionOfRva(rva);
  if (index < 0) {
    // The headers are mapped at RVA 0 byte for byte.
    if (static_cast<std::uint64_t>(rva) + size > std::min<std::uint64_t>(sizeOfHeaders, fileSize))
      return 0;
    offset = rva;
    return 1;
  }
  const SectionHeader& section = sections[static_cast<std::size_t>(index)];
  std::uint64_t within = rva - section.virtualAddress;
  // Bytes past the raw data are zero-filled by the loader, not stored: a packed file's resource
  // data may have no bytes behind it at all.
  if (within + size > section.sizeOfRawData) return 0;
  std::uint64_t start = static_cast<std::uint64_t>(section.pointerToRawData) + within;
  if (start + size > fileSize) return 0;
  offset = start;
  return 1;
}

int PeLayout::sectionsAreComplete() const {
  for (const SectionHeader& section : sections) {
    if (section.sizeOfRawData == 0) continue;
    if (section.pointerToRawData < headerBytes.size() ||
        section.pointerToRawData + static_cast<std::uint64_t>(section.sizeOfRawData) > fileSize) {
      return 0;
    }
  }
  return 1;
}

std::uint64_t PeLayout::endOfSectionData() const {
  std::uint64_t end = headerBytes.size();
  for (const SectionHeader& section : sections) {
    if (section.sizeOfRawData == 0) continue;
    end = std::max<std::uint64_t>(
        end, static_cast<std::uint64_t>(section.pointerToRawData) + section.sizeOfRawData);
  }
  return end;
}

}  // namespace pe
