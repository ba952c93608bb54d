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

void putSectionHeader(std::vector<std::uint8_t>& header, std::uint32_t at,
                      const SectionHeader& section) {
  std::memcpy(&header[at + field::kSectionName], section.name, 8);
  putU32(&header[at + field::kVirtualSize], section.virtualSize);
  putU32(&header[at + field::kVirtualAddress], section.virtualAddress);
  putU32(&header[at + field::kSizeOfRawData], section.sizeOfRawData);
  putU32(&header[at + field::kPointerToRawData], section.pointerToRawData);
  putU32(&header[at + field::kPointerToRelocations], section.pointerToRelocations);
  putU32(&header[at + field::kPointerToLinenumbers], section.pointerToLinenumbers);
  putU16(&header[at + field::kNumberOfRelocations], section.numberOfRelocations);
  putU16(&header[at + field::kNumberOfLinenumbers], section.numberOfLinenumbers);
  putU32(&header[at + field::kSectionCharacteristics], section.characteristics);
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
  readU16(coff, field::kMachine, machine);
  readU16(coff, field::kNumberOfSections, numberOfSections);
  readU32(coff, field::kPointerToSymbolTable, pointerToSymbolTable);
  readU16(coff, field::kSizeOfOptionalHeader, sizeOfOptionalHeader);
  readU16(coff, field::kCharacteristics, characteristics);
  std::uint16_t magic = 0;
  readU16(fixed, 24 + field::kMagic, magic);
  if (magic != kPe32Magic && magic != kPe32PlusMagic) return 0;
  pe32Plus = magic == kPe32PlusMagic;
  std::uint32_t fixedOptionalSize =
      pe32Plus ? field::kDataDirectories64 : field::kDataDirectories32;
  if (sizeOfOptionalHeader < fixedOptionalSize || numberOfSections == 0) return 0;

  std::uint64_t tableEnd = static_cast<std::uint64_t>(sectionTableOffset()) +
                           static_cast<std::uint64_t>(kSectionHeaderSize) * numberOfSections;
  if (tableEnd > fileSize) return 0;
  headerBytes.assign(static_cast<std::size_t>(tableEnd), 0);
  if (!file.readAt(0, headerBytes.data(), headerBytes.size())) return 0;
  std::span<const std::uint8_t> bytes(headerBytes);

  readU32(bytes, optionalFieldOffset(field::kSizeOfInitializedData), sizeOfInitializedData);
  readU32(bytes, optionalFieldOffset(field::kAddressOfEntryPoint), addressOfEntryPoint);
  if (pe32Plus) {
    std::uint32_t low = 0;
    std::uint32_t high = 0;
    readU32(bytes, optionalFieldOffset(field::kImageBase64), low);
    readU32(bytes, optionalFieldOffset(field::kImageBase64) + 4, high);
    imageBase = (static_cast<std::uint64_t>(high) << 32) | low;
  } else {
    std::uint32_t base = 0;
    readU32(bytes, optionalFieldOffset(field::kImageBase32), base);
    imageBase = base;
  }
  readU32(bytes, optionalFieldOffset(field::kSectionAlignment), sectionAlignment);
  readU32(bytes, optionalFieldOffset(field::kFileAlignment), fileAlignment);
  readU32(bytes, optionalFieldOffset(field::kSizeOfImage), sizeOfImage);
  readU32(bytes, optionalFieldOffset(field::kSizeOfHeaders), sizeOfHeaders);
  readU32(bytes, optionalFieldOffset(field::kCheckSum), checkSum);
  readU32(
      bytes,
      optionalFieldOffset(pe32Plus ? field::kNumberOfRvaAndSizes64 : field::kNumberOfRvaAndSizes32),
      numberOfRvaAndSizes);
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
    std::memcpy(section.name, &headerBytes[at + field::kSectionName], 8);
    readU32(bytes, at + field::kVirtualSize, section.virtualSize);
    readU32(bytes, at + field::kVirtualAddress, section.virtualAddress);
    readU32(bytes, at + field::kSizeOfRawData, section.sizeOfRawData);
    readU32(bytes, at + field::kPointerToRawData, section.pointerToRawData);
    readU32(bytes, at + field::kPointerToRelocations, section.pointerToRelocations);
    readU32(bytes, at + field::kPointerToLinenumbers, section.pointerToLinenumbers);
    readU16(bytes, at + field::kNumberOfRelocations, section.numberOfRelocations);
    readU16(bytes, at + field::kNumberOfLinenumbers, section.numberOfLinenumbers);
    readU32(bytes, at + field::kSectionCharacteristics, section.characteristics);
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
    if (!fitsWithin(rva, size, std::min<std::uint64_t>(sizeOfHeaders, fileSize))) return 0;
    offset = rva;
    return 1;
  }
  const SectionHeader& section = sections[static_cast<std::size_t>(index)];
  std::uint64_t within = rva - section.virtualAddress;
  // Bytes past the raw data are zero-filled by the loader, not stored: a packed file's resource
  // data may have no bytes behind it at all.
  if (!fitsWithin(within, size, section.sizeOfRawData)) return 0;
  std::uint64_t start = static_cast<std::uint64_t>(section.pointerToRawData) + within;
  if (!fitsWithin(start, size, fileSize)) return 0;
  offset = start;
  return 1;
}

int PeLayout::sectionsAreComplete() const {
  for (const SectionHeader& section : sections) {
    if (section.sizeOfRawData == 0) continue;
    if (section.pointerToRawData < headerBytes.size() ||
        !fitsWithin(section.pointerToRawData, section.sizeOfRawData, fileSize)) {
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

std::uint64_t PeLayout::mappedEnd(const SectionHeader& section) const {
  return alignUp(section.virtualAddress + static_cast<std::uint64_t>(section.mappedSize()),
                 sectionAlignment);
}

}  // namespace pe
